float4 VS(float4x4 transform : TRANSFORM, float4 position : POSITION) : SV_Position
{
    return mul(position, transform);
}
