// The scene's plain records: the shared geometry and its ranges, the packed
// vertex, materials and drawable items.
#pragma once

#include "MathHelpers.h"

#include <windows.h>

#include <d3d12.h>
#include <wrl/client.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// Frame resources in the ring. Every item and material starts dirty for each
// of them, so each frame resource receives its constants once.
inline constexpr int FrameRingSize = 3;

// The vertex as the GPU reads it; the tangent of ShapeVertex is not used.
struct GpuVertex
{
    Float3 Position;
    Float3 Normal;
    Float2 TexCoord;
};
static_assert(sizeof(GpuVertex) == 32 && offsetof(GpuVertex, Normal) == 12 &&
                  offsetof(GpuVertex, TexCoord) == 24,
              "GpuVertex must match the vertex input layout");

// One shape inside the shared vertex and index buffers. Indices are relative
// to the shape's own first vertex.
struct SubmeshRange
{
    uint32_t IndexCount = 0;
    uint32_t FirstIndex = 0;
    int32_t VertexOffset = 0;
    // Not computed from the vertices and not read.
    Float3 BoundsCenter{0.0f, 0.0f, 0.0f};
    Float3 BoundsExtents{1.0f, 1.0f, 1.0f};
};

struct SceneGeometry
{
    std::string Name;

    Microsoft::WRL::ComPtr<ID3DBlob> VertexBufferCPU;
    Microsoft::WRL::ComPtr<ID3DBlob> IndexBufferCPU;

    Microsoft::WRL::ComPtr<ID3D12Resource> VertexBufferGpu;
    Microsoft::WRL::ComPtr<ID3D12Resource> IndexBufferGpu;

    // Staging copies; they live as long as the record because the start-up
    // command list copies from them after the build step has returned.
    Microsoft::WRL::ComPtr<ID3D12Resource> VertexUploadBuffer;
    Microsoft::WRL::ComPtr<ID3D12Resource> IndexUploadBuffer;

    uint32_t VertexStride = 0;
    uint32_t VertexBufferBytes = 0;
    DXGI_FORMAT IndexFormat = DXGI_FORMAT_R16_UINT;
    uint32_t IndexBufferBytes = 0;

    std::unordered_map<std::string, SubmeshRange> Submeshes;
};

struct MaterialRecord
{
    std::string Name;
    int32_t MaterialIndex = -1;       // slot in the per-material constant buffer
    int32_t DiffuseTextureIndex = -1; // view in the shader-visible texture heap
    int32_t ReservedIndex = -1;
    int32_t DirtyFrames = FrameRingSize;

    Float4 DiffuseAlbedo{1.0f, 1.0f, 1.0f, 1.0f};
    Float3 FresnelR0{0.01f, 0.01f, 0.01f};
    float Roughness = 0.25f;
    Matrix4 MaterialTransform = MatrixIdentity();
};

struct SceneItem
{
    int32_t DirtyFrames = FrameRingSize;
    int32_t ObjectIndex = -1; // slot in the per-object constant buffer

    Matrix4 World = MatrixIdentity();
    Matrix4 TexTransform = MatrixIdentity();

    // Owned by the scene's material and geometry tables.
    MaterialRecord* Material = nullptr;
    SceneGeometry* Geometry = nullptr;

    D3D12_PRIMITIVE_TOPOLOGY Topology = D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST;
    uint32_t IndexCount = 0;
    uint32_t FirstIndex = 0;
    int32_t VertexOffset = 0;
};

// The scene's shapes packed for upload: every vertex of every shape in one
// array, every shape's 16-bit indices in one list, and the ranges in packing
// order.
struct PackedSceneGeometry
{
    std::vector<GpuVertex> Vertices;
    std::vector<uint16_t> Indices;
    std::vector<std::pair<std::string, SubmeshRange>> Ranges;
};
