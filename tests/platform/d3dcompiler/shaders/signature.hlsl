// Stage variables of several types and semantics.
struct VertexIn
{
    float4 Color : COLOR1;
    float3 Position : position;
    uint Index : BLENDINDICES;
    int2 Offset : TEXCOORD3;
    uint VertexId : SV_VertexID;
};

struct VertexOut
{
    float4 ClipPosition : SV_Position;
    float4 Color : COLOR;
    nointerpolation int2 Offset : TEXCOORD3;
};

VertexOut VS(VertexIn vin)
{
    VertexOut vout;
    vout.ClipPosition = float4(vin.Position, float(vin.Index + vin.VertexId));
    vout.Color = vin.Color;
    vout.Offset = vin.Offset;
    return vout;
}

float4 PS(VertexOut pin) : SV_Target1
{
    return pin.Color + float4(pin.Offset, 0, 0);
}
