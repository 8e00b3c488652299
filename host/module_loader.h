// Plug-in modules: a module file opened with dlopen, or a descriptor linked into the program.
//
// A Module checks the descriptor's sync word and system version, calls startup on construction
// and shutdown (then dlclose) on destruction. Every failure throws ModuleError with a one-line
// message that names the module.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "api/host_api.h"

namespace zelkor::host {

class ModuleError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Module {
public:
    // Opens the module file and starts it. Errors (exact texts):
    //   module file not found: <path>
    //   cannot load module <path>: <the loader's reason>
    //   <path> is not a module: no _mod_descrip symbol
    //   <path>: wrong module sync word 0x<hex>, expected 0x4121994
    //   <path>: module system version <n>, this host supports 3
    //   <path>: module startup failed
    static Module load(const std::string& path);
    // Starts a descriptor already linked into the program; `name` stands for the path in errors.
    static Module linked(const ModuleDescriptor& descriptor, std::string name = "linked module");

    Module(Module&& other) noexcept;
    Module& operator=(Module&& other) noexcept;
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;
    ~Module();  // shutdown, then dlclose for a loaded file

    const std::string& name() const { return name_; }
    const ModuleDescriptor& descriptor() const { return *descriptor_; }
    void* server_data() const { return server_data_; }

    // A further symbol the module file exports, or null (always null for a linked descriptor).
    void* symbol(const char* name) const;

    // The server of this class and name. Error: "<path> has no <class> server named <name>".
    const ServerRecord& server(std::string_view class_name, std::string_view server_name) const;

private:
    Module(std::string name, void* library, const ModuleDescriptor* descriptor);
    void release();

    std::string name_;
    void* library_ = nullptr;  // dlopen handle, null for a linked descriptor
    const ModuleDescriptor* descriptor_ = nullptr;
    void* server_data_ = nullptr;
};

}  // namespace zelkor::host
