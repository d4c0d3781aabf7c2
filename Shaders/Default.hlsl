// The scene's one shader: textured surfaces lit by the ambient colour and
// three directional lights, with a Fresnel (Schlick) and roughness-driven
// specular term.
//
// The three constant buffers mirror the records of FrameResource.h byte for
// byte; a test compares the compiled layouts with the C++ records. Matrices
// arrive transposed from the CPU, so with the default column-major packing
// mul(row vector, matrix) applies them as the CPU's row-vector matrices.

#define DIRECTIONAL_LIGHT_COUNT 3
#define MAX_LIGHTS 16

struct LightRecord
{
    float3 LightColor;
    float FalloffNear;
    float3 LightDirection; // the direction the light travels
    float FalloffFar;
    float3 LightPosition;
    float SpotExponent;
};

cbuffer PerObjectConstants : register(b0)
{
    float4x4 World;
    float4x4 TexTransform;
};

cbuffer PerMaterialConstants : register(b1)
{
    float4 DiffuseAlbedo;
    float3 FresnelR0;
    float Roughness;
    float4x4 MaterialTransform;
};

cbuffer PerPassConstants : register(b2)
{
    float4x4 ViewMatrix;
    float4x4 InvViewMatrix;
    float4x4 ProjMatrix;
    float4x4 InvProjMatrix;
    float4x4 ViewProjMatrix;
    float4x4 InvViewProjMatrix;
    float3 EyePosition;
    float EyePad;
    float2 TargetSize;
    float2 InvTargetSize;
    float NearPlane;
    float FarPlane;
    float ElapsedSeconds;
    float FrameSeconds;
    float4 AmbientColor;
    LightRecord Lights[MAX_LIGHTS];
};

Texture2D DiffuseMap : register(t0);

// The root signature's six static samplers.
SamplerState PointWrap : register(s0);
SamplerState PointClamp : register(s1);
SamplerState LinearWrap : register(s2);
SamplerState LinearClamp : register(s3);
SamplerState AnisotropicWrap : register(s4);
SamplerState AnisotropicClamp : register(s5);

// Trilinear filtering: on the software rasteriser the anisotropic sampler
// costs about twice as much per frame for a view over the city, and the frame
// time is what limits the demo there. Compile with ANISOTROPIC_FILTERING
// defined to compare the two.
#ifdef ANISOTROPIC_FILTERING
#define DIFFUSE_SAMPLER AnisotropicWrap
#else
#define DIFFUSE_SAMPLER LinearWrap
#endif

struct VertexIn
{
    float3 Position : POSITION;
    float3 Normal : NORMAL;
    float2 TexCoord : TEXCOORD;
};

struct VertexOut
{
    float4 ClipPosition : SV_POSITION;
    float3 WorldPosition : POSITION;
    float3 WorldNormal : NORMAL;
    float2 TexCoord : TEXCOORD;
};

VertexOut VS(VertexIn vin)
{
    VertexOut vout;
    float4 world = mul(float4(vin.Position, 1.0f), World);
    vout.WorldPosition = world.xyz;
    vout.ClipPosition = mul(world, ViewProjMatrix);
    // The scene scales only along the axes of its boxes, whose normals stay
    // parallel to those axes, so the world matrix serves for normals once
    // they are renormalised in the pixel shader.
    vout.WorldNormal = mul(vin.Normal, (float3x3)World);
    float4 itemTexCoord = mul(float4(vin.TexCoord, 0.0f, 1.0f), TexTransform);
    vout.TexCoord = mul(itemTexCoord, MaterialTransform).xy;
    return vout;
}

// Schlick's approximation of the share of light reflected at angle
// cos(theta) between the light and the half vector.
float3 SchlickFresnel(float3 r0, float cosTheta)
{
    float f = 1.0f - saturate(cosTheta);
    float f2 = f * f;
    return r0 + (1.0f - r0) * (f2 * f2 * f);
}

// Diffuse plus specular light from one directional light. Smooth surfaces
// (low roughness) get a narrow, bright highlight: the exponent falls with
// roughness and the (m + 8) / 8 factor keeps the highlight's energy roughly
// constant as it narrows.
float3 DirectionalLight(LightRecord light, float3 albedo, float3 normal, float3 toEye)
{
    float3 toLight = -light.LightDirection;
    float nDotL = saturate(dot(normal, toLight));
    float3 halfVector = normalize(toLight + toEye);

    float exponent = max((1.0f - Roughness) * 256.0f, 1.0f);
    float highlight = (exponent + 8.0f) / 8.0f * pow(saturate(dot(normal, halfVector)), exponent);
    float3 specular = SchlickFresnel(FresnelR0, dot(halfVector, toLight)) * highlight;
    // Compress the specular term into [0, 1) so highlights do not burn out.
    specular = specular / (specular + 1.0f);

    return (albedo + specular) * light.LightColor * nDotL;
}

float4 PS(VertexOut pin) : SV_Target
{
    float4 albedo = DiffuseMap.Sample(DIFFUSE_SAMPLER, pin.TexCoord) * DiffuseAlbedo;
    float3 normal = normalize(pin.WorldNormal);
    float3 toEye = normalize(EyePosition - pin.WorldPosition);

    float3 color = AmbientColor.rgb * albedo.rgb;
    [unroll] for (int i = 0; i < DIRECTIONAL_LIGHT_COUNT; ++i)
        color += DirectionalLight(Lights[i], albedo.rgb, normal, toEye);
    return float4(color, albedo.a);
}
