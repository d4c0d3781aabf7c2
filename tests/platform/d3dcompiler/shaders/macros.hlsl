// Needs SCALE from the caller; ALPHA is optional.
#ifndef SCALE
#error SCALE must be defined by the caller
#endif
#ifndef ALPHA
#define ALPHA 1.0f
#endif

float4 VS(float3 position : POSITION) : SV_Position
{
    return float4(position * SCALE, ALPHA);
}
