// The scene's one shader: textured surfaces lit by the ambient colour and
// the first three lights of the pass, all directional, with a specular
// highlight whose strength follows the view angle through the material's
// FresnelR0 (Schlick) and whose size and peak follow its Roughness.
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

// Trilinear filtering. Anisotropic filtering keeps the far rows of the
// ground's bricks sharp where trilinear filtering blurs them, but on the
// software rasteriser, where the frame time is what limits the demo, it costs
// far more than it shows: for a view over the city at 800 x 600 (two cores),
// about 45 ms a frame with this sampler against 125 ms with the anisotropic
// one (benchmarks/draw_benchmarks). Compile with ANISOTROPIC_FILTERING
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

// The pixel shader is kept cheap, as the software rasteriser spends most of
// a frame in it: the mirror direction and the Fresnel factor are computed once
// per pixel rather than once per light, and the highlight's power is
// approximated. Measured on the software rasteriser (CPU time for a
// 1024 x 1024 quad): about 30 ms with this lighting, 14 ms for the textured
// colour alone, 42 ms with a half-vector highlight and Fresnel factor per light.

// Schlick's approximation of the share of light a surface reflects, from its
// reflectance head on (r0) and the cosine of the angle of view.
float3 SchlickFresnel(float3 r0, float cosTheta)
{
    float f = 1.0f - cosTheta;
    float f2 = f * f;
    return r0 + (1.0f - r0) * (f2 * f2 * f);
}

// x to the power n, for x in [0, 1] and n >= 1, by Schlick's rational
// approximation: one division instead of a logarithm and an exponential.
float ApproximatePower(float x, float n)
{
    return x / (n - n * x + x);
}

float4 PS(VertexOut pin) : SV_Target
{
    float4 albedo = DiffuseMap.Sample(DIFFUSE_SAMPLER, pin.TexCoord) * DiffuseAlbedo;
#ifdef FILL_RATE_FLOOR
    // What a frame costs without its lighting: the benchmark's floor.
    return albedo;
#endif
    float3 normal = normalize(pin.WorldNormal);
    float3 toEye = normalize(EyePosition - pin.WorldPosition);
    float3 mirror = reflect(-toEye, normal);

    // Smoother surfaces get a higher exponent: a narrower highlight, made
    // brighter by the (n + 2) / 2 factor so that it keeps its energy.
    float exponent = max((1.0f - Roughness) * 64.0f, 1.0f);
    float3 reflectance =
        SchlickFresnel(FresnelR0, saturate(dot(normal, toEye))) * ((exponent + 2.0f) * 0.5f);

    float3 diffuse = AmbientColor.rgb;
    float3 specular = 0.0f;
    [unroll] for (int i = 0; i < DIRECTIONAL_LIGHT_COUNT; ++i)
    {
        float3 toLight = -Lights[i].LightDirection;
        float3 incoming = Lights[i].LightColor * saturate(dot(normal, toLight));
        diffuse += incoming;
        specular += incoming * ApproximatePower(saturate(dot(mirror, toLight)), exponent);
    }
    return float4(albedo.rgb * diffuse + reflectance * specular, albedo.a);
}
