#include "support/VmkUtilsBinding.h"

#include "platform/Module.h"
#include "platform/Path.h"
#include "platform/PathSpec.h"
#include "platform/Registry.h"
#include "support/EmergencyLog.h"
#include "support/vmkutils/VmkUtilsBase.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <string>

namespace {

const KW5WChar* const kUtilityFileName = KW5_WSTR("VMKUtils_base.dll");
const char* const kUtilityEntryName = "vmkutils_base";
const KW5WChar* const kMarkerFileName = KW5_WSTR("vmkconfig.xml");
const char* const kRegistryKey = "SOFTWARE\\Quorin Corporation\\Tarvel";
const KW5WChar* const kRegistryValue = KW5_WSTR("Repository");
const size_t kRegistryValueBytes = 522;
// A directory and a file name joined by a separator, with room to spare,
// must fit a 260-character path.
const size_t kPathSlack = 8;
const size_t kPathLimit = 261;

// Filled once found and then kept. The lock keeps a thread from using a
// directory that another thread is still copying; the object pointer is
// atomic for the same reason.
std::mutex directoryMutex;
KW5WString utilityDirectory;
KW5WString moduleDirectoryOverride;
std::atomic<VmkUtilsBase*> boundObject{nullptr};

void setError(char* errorText, const char* message) {
    std::snprintf(errorText, kVmkErrorTextSize, "%s", message);
}

void setError(char* errorText, const char* format, uint32_t code) {
    std::snprintf(errorText, kVmkErrorTextSize, format, static_cast<int>(code));
}

size_t textLength(const KW5WChar* text) {
    size_t length = 0;
    while (text[length] != 0)
        ++length;
    return length;
}

// The directory of the module holding this code.
bool findModuleDirectory(KW5WString& directory, char* errorText) {
    if (!moduleDirectoryOverride.empty()) {
        directory = moduleDirectoryOverride;
        return true;
    }
    kw5platform::ModuleHandle module = nullptr;
    uint32_t error = 0;
    if (!kw5platform::moduleOfAddress(reinterpret_cast<const void*>(&vmkprocaddr), module, error)) {
        setError(errorText, "vmkprocaddr: GetModuleHandleEx: %d", error);
        return false;
    }
    if (!kw5platform::moduleFileName(module, directory, error)) {
        setError(errorText, "vmkprocaddr: GetModuleFileName: %d", error);
        return false;
    }
    kw5platform::removeFileSpec(directory);
    return true;
}

// The first entry of the registry's repository list, or false without one.
bool repositoryDirectory(KW5WString& directory) {
    KW5WString value;
    if (!kw5platform::readRegistryString(kw5platform::RegistryHive::LocalMachine, kRegistryKey,
                                         kRegistryValue, kRegistryValueBytes, value))
        return false;
    for (KW5WChar& c : value) {
        if (c == KW5WChar('/'))
            c = KW5WChar('\\');
    }
    size_t separator = value.find(KW5WChar(';'));
    if (separator != KW5WString::npos)
        value.resize(separator);
    kw5platform::removeTrailingBackslash(value);
    kw5platform::toNativeSeparators(value);
    directory = value;
    return true;
}

// Fills the utility directory when it is still empty.
bool findUtilityDirectory(char* errorText) {
    if (!utilityDirectory.empty())
        return true;
    KW5WString directory;
    if (!findModuleDirectory(directory, errorText))
        return false;
    if (textLength(kMarkerFileName) + directory.size() + kPathSlack > kPathLimit) {
        setError(errorText, "vmkprocaddr: pathname too long");
        return false;
    }
    KW5WString marker = directory + kw5platform::pathSeparator() + kMarkerFileName;
    if (!kw5platform::fileExists(marker)) {
        KW5WString repository;
        if (repositoryDirectory(repository))
            directory = repository;
    }
    utilityDirectory = directory;
    return true;
}

} // namespace

void* vmkprocaddr(const KW5WChar* fileName, const char* exportName, char* errorText) {
    if (!fileName || !exportName || !errorText)
        return nullptr;
    errorText[0] = 0;
    KW5WString libraryPath;
    {
        std::lock_guard<std::mutex> lock(directoryMutex);
        if (!findUtilityDirectory(errorText))
            return nullptr;
        if (textLength(fileName) + utilityDirectory.size() + kPathSlack > kPathLimit) {
            setError(errorText, "vmkprocaddr: pathname too long");
            return nullptr;
        }
        libraryPath = utilityDirectory + kw5platform::pathSeparator() + fileName;
    }
    kw5platform::ModuleHandle library = nullptr;
    uint32_t error = 0;
    if (!kw5platform::loadLibrary(libraryPath, library, error)) {
        setError(errorText, "vmkprocaddr: LoadLibraryEx: %d", error);
        return nullptr;
    }
    void* address = kw5platform::librarySymbol(library, exportName, error);
    if (!address) {
        setError(errorText, "vmkprocaddr: GetProcAddress: %d", error);
        kw5platform::freeLibrary(library);
        return nullptr;
    }
    return address;
}

VmkUtilsBase* vmkutils_base_stub() {
    VmkUtilsBase* object = boundObject.load();
    if (object)
        return object;
    char errorText[kVmkErrorTextSize] = {};
    void* entry = vmkprocaddr(kUtilityFileName, kUtilityEntryName, errorText);
    if (!entry) {
        writeEmergencyLog("vmkutils_base_stub: %s", errorText);
        throw std::runtime_error(errorText);
    }
    object = reinterpret_cast<VmkUtilsBaseEntry>(entry)();
    boundObject.store(object);
    return object;
}

void resetVmkUtilsBindingForTesting(const KW5WString& moduleDirectory) {
    std::lock_guard<std::mutex> lock(directoryMutex);
    utilityDirectory.clear();
    moduleDirectoryOverride = moduleDirectory;
    boundObject.store(nullptr);
}

KW5WString vmkUtilityDirectoryForTesting() {
    std::lock_guard<std::mutex> lock(directoryMutex);
    return utilityDirectory;
}
