// The process entry: main() hands over to the program's WinMain, as the
// Windows start-up code does for a GUI program.
#include <windows.h>

#include <string>

namespace
{
// The module handle is an address inside this executable, as on Windows.
char gModuleAnchor;
} // namespace

int main(int argc, char** argv)
{
    // The command line without the program name, arguments separated by spaces.
    std::string commandLine;
    for (int i = 1; i < argc; ++i)
    {
        if (i > 1)
            commandLine += ' ';
        commandLine += argv[i];
    }
    return WinMain(reinterpret_cast<HINSTANCE>(&gModuleAnchor), nullptr, commandLine.data(),
                   SW_SHOWDEFAULT);
}
