RWTexture2D<float4> Output : register(u0);

float4 PS(float4 position : SV_Position) : SV_Target
{
    Output[uint2(position.xy)] = 1.0f;
    return 0.0f;
}
