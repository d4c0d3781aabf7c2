float4 VS(float3 position : POSITION) : SV_Position
{
    return float4(position, undeclaredValue);
}
