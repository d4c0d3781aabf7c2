#include "factor.hlsl"

float3 Scale(float3 value)
{
    return value * SCALE_FACTOR;
}
