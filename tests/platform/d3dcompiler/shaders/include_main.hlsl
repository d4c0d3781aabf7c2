// Includes a file of a subdirectory, which itself includes a neighbour.
#include "lib/scale.hlsl"

float4 VS(float3 position : POSITION) : SV_Position
{
    return float4(Scale(position), 1.0f);
}
