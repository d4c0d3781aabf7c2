#include "lib/absent.hlsl"

float4 VS(float3 position : POSITION) : SV_Position
{
    return float4(position, 1.0f);
}
