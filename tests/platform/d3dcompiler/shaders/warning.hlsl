// Compiles, with a warning: the front end does not implement this pragma.
#pragma once

float4 VS(float3 position : POSITION) : SV_Position
{
    return float4(position, 1.0f);
}
