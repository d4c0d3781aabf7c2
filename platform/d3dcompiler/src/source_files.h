// Reading HLSL source files and resolving their #include directives.
#pragma once

#include <windows.h>

#include <shaderc/shaderc.h>

#include <string>

namespace d3dcompiler
{

// Reads a whole file. On failure: the Win32 file error as a result code and
// a message naming the file.
HRESULT ReadSourceFile(const std::string& path, std::string* content, std::string* message);

// Installs the include resolution on `options`. With `standard` set, an
// #include names a file relative to the directory of the including file (or
// an absolute path); without it every #include fails with a message, as no
// handler was given.
void SetIncludeResolution(shaderc_compile_options_t options, bool standard);

} // namespace d3dcompiler
