// The constant records the scene writes for the shader "Shaders/Default.hlsl":
// per object (register b0), per material (b1) and per pass (b2). They are GPU
// constant-buffer layouts, so every offset and size below is part of the
// format: 32-bit floats packed by the HLSL rules (a vector never straddles a
// 16-byte boundary, array elements start on one). Matrices are stored
// transposed, so the shader's column-major matrices receive the row-vector
// matrices the CPU works with.
#pragma once

#include <cstddef>

constexpr int MaxLights = 16;

struct LightRecord
{
    float LightColor[3] = {0.5f, 0.5f, 0.5f};
    float FalloffNear = 1.0f;
    float LightDirection[3] = {0.0f, -1.0f, 0.0f};
    float FalloffFar = 10.0f;
    float LightPosition[3] = {0.0f, 0.0f, 0.0f};
    float SpotExponent = 64.0f;
};

struct PerObjectConstants
{
    float World[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float TexTransform[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

struct PerMaterialConstants
{
    float DiffuseAlbedo[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float FresnelR0[3] = {0.01f, 0.01f, 0.01f};
    float Roughness = 0.25f;
    float MaterialTransform[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

struct PerPassConstants
{
    float ViewMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float InvViewMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float ProjMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float InvProjMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float ViewProjMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float InvViewProjMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float EyePosition[3] = {0.0f, 0.0f, 0.0f};
    float EyePad = 0.0f;
    float TargetSize[2] = {0.0f, 0.0f};
    float InvTargetSize[2] = {0.0f, 0.0f};
    float NearPlane = 0.0f;
    float FarPlane = 0.0f;
    float ElapsedSeconds = 0.0f;
    float FrameSeconds = 0.0f;
    float AmbientColor[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    LightRecord Lights[MaxLights];
};

static_assert(offsetof(LightRecord, LightColor) == 0);
static_assert(offsetof(LightRecord, FalloffNear) == 12);
static_assert(offsetof(LightRecord, LightDirection) == 16);
static_assert(offsetof(LightRecord, FalloffFar) == 28);
static_assert(offsetof(LightRecord, LightPosition) == 32);
static_assert(offsetof(LightRecord, SpotExponent) == 44);
static_assert(sizeof(LightRecord) == 48);

static_assert(offsetof(PerObjectConstants, World) == 0);
static_assert(offsetof(PerObjectConstants, TexTransform) == 64);
static_assert(sizeof(PerObjectConstants) == 128);

static_assert(offsetof(PerMaterialConstants, DiffuseAlbedo) == 0);
static_assert(offsetof(PerMaterialConstants, FresnelR0) == 16);
static_assert(offsetof(PerMaterialConstants, Roughness) == 28);
static_assert(offsetof(PerMaterialConstants, MaterialTransform) == 32);
static_assert(sizeof(PerMaterialConstants) == 96);

static_assert(offsetof(PerPassConstants, ViewMatrix) == 0);
static_assert(offsetof(PerPassConstants, InvViewMatrix) == 64);
static_assert(offsetof(PerPassConstants, ProjMatrix) == 128);
static_assert(offsetof(PerPassConstants, InvProjMatrix) == 192);
static_assert(offsetof(PerPassConstants, ViewProjMatrix) == 256);
static_assert(offsetof(PerPassConstants, InvViewProjMatrix) == 320);
static_assert(offsetof(PerPassConstants, EyePosition) == 384);
static_assert(offsetof(PerPassConstants, EyePad) == 396);
static_assert(offsetof(PerPassConstants, TargetSize) == 400);
static_assert(offsetof(PerPassConstants, InvTargetSize) == 408);
static_assert(offsetof(PerPassConstants, NearPlane) == 416);
static_assert(offsetof(PerPassConstants, FarPlane) == 420);
static_assert(offsetof(PerPassConstants, ElapsedSeconds) == 424);
static_assert(offsetof(PerPassConstants, FrameSeconds) == 428);
static_assert(offsetof(PerPassConstants, AmbientColor) == 432);
static_assert(offsetof(PerPassConstants, Lights) == 448);
static_assert(sizeof(PerPassConstants) == 1216);
