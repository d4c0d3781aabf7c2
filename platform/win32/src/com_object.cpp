#include <com_object.h>

#include <mutex>
#include <set>
#include <string>

namespace com
{

HRESULT NotImplemented(const char* interfaceName, const char* method, HRESULT failure)
{
    static std::mutex sMutex;
    static std::set<std::string> sNamed;
    const std::string name = std::string(interfaceName) + "::" + method;
    {
        std::lock_guard lock(sMutex);
        if (!sNamed.insert(name).second)
            return failure;
    }
    OutputDebugStringA((name + " is not implemented by this platform\n").c_str());
    return failure;
}

} // namespace com
