// A minimal valid vertex and pixel shader.
float4 VS(float3 position : POSITION) : SV_Position
{
    return float4(position, 1.0f);
}

float4 PS(float4 position : SV_Position) : SV_Target
{
    return float4(position.xy, 0.0f, 1.0f);
}
