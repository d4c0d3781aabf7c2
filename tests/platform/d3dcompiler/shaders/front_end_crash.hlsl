// The HLSL front end crashes on a conditional that mixes half and double
// literals; the compiler must report a failure instead.
float4 VS(float3 position : POSITION) : SV_Position
{
    return float4(position, 1.0f) * (position.x < 0 ? 1.0h : 2.0l);
}
