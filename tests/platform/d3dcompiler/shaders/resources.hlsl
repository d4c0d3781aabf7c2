// Resources in several registers and spaces; all of them are used.
cbuffer First : register(b0)
{
    float4 FirstValue;
};
cbuffer Third : register(b2)
{
    float4 ThirdValue;
};
Texture2D Pair[2] : register(t4);
Texture2D Elsewhere : register(t3, space1);
SamplerState Last : register(s5);

float4 PS(float4 position : SV_Position) : SV_Target
{
    float2 uv = position.xy;
    return FirstValue + ThirdValue + Pair[0].Sample(Last, uv) + Pair[1].Sample(Last, uv) +
           Elsewhere.Sample(Last, uv);
}
