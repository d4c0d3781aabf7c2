Texture2D Far : register(t16);
SamplerState Near : register(s0);

float4 PS(float4 position : SV_Position) : SV_Target
{
    return Far.Sample(Near, position.xy);
}
