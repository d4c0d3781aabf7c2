// Defines the IID_ variables of DirectX-Headers' d3d12.h, which d3dx12.h
// reads by name (IID_ID3D12Device); MinGW-w64's dxguid library predates them.
#include <windows.h>

#include <initguid.h>

#include <d3d12.h>
