#include "host/module_loader.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

namespace zelkor::host {
namespace {

std::string hex(unsigned long value) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", value);
    return text;
}

// Checks the descriptor and calls startup; the caller closes the library when this throws.
void* start(const std::string& name, const ModuleDescriptor& descriptor) {
    if (descriptor.sysSync != MOD_SYSSYNC)
        throw ModuleError(name + ": wrong module sync word " + hex(descriptor.sysSync) + ", expected " + hex(MOD_SYSSYNC));
    if (descriptor.sysVersion != MOD_SYSVER)
        throw ModuleError(name + ": module system version " + std::to_string(descriptor.sysVersion) +
                          ", this host supports " + std::to_string(MOD_SYSVER));
    // A module's startup answers null when it cannot run.
    void* server_data = descriptor.startup ? descriptor.startup() : nullptr;
    if (!server_data) throw ModuleError(name + ": module startup failed");
    return server_data;
}

}  // namespace

Module::Module(std::string name, void* library, const ModuleDescriptor* descriptor)
    : name_(std::move(name)), library_(library), descriptor_(descriptor) {}

Module Module::load(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) throw ModuleError("module file not found: " + path);

    // RTLD_LOCAL keeps the module's symbols to itself; RTLD_NOW reports missing symbols here.
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* reason = dlerror();
        throw ModuleError("cannot load module " + path + ": " + (reason ? reason : "unknown reason"));
    }
    auto* descriptor = static_cast<const ModuleDescriptor*>(dlsym(library, "_mod_descrip"));
    if (!descriptor) {
        dlclose(library);
        throw ModuleError(path + " is not a module: no _mod_descrip symbol");
    }
    void* server_data = nullptr;
    try {
        server_data = start(path, *descriptor);
    } catch (...) {
        dlclose(library);
        throw;
    }
    Module module(path, library, descriptor);
    module.server_data_ = server_data;
    return module;
}

void* Module::symbol(const char* name) const { return library_ ? ::dlsym(library_, name) : nullptr; }

Module Module::linked(const ModuleDescriptor& descriptor, std::string name) {
    void* server_data = start(name, descriptor);
    Module module(std::move(name), nullptr, &descriptor);
    module.server_data_ = server_data;
    return module;
}

Module::Module(Module&& other) noexcept
    : name_(std::move(other.name_)), library_(std::exchange(other.library_, nullptr)),
      descriptor_(std::exchange(other.descriptor_, nullptr)), server_data_(std::exchange(other.server_data_, nullptr)) {}

Module& Module::operator=(Module&& other) noexcept {
    if (this != &other) {
        release();
        name_ = std::move(other.name_);
        library_ = std::exchange(other.library_, nullptr);
        descriptor_ = std::exchange(other.descriptor_, nullptr);
        server_data_ = std::exchange(other.server_data_, nullptr);
    }
    return *this;
}

Module::~Module() { release(); }

void Module::release() {
    // Only a started module is shut down: server_data_ is set once startup succeeded.
    if (descriptor_ && server_data_ && descriptor_->shutdown) descriptor_->shutdown(server_data_);
    if (library_) dlclose(library_);
    library_ = nullptr;
    descriptor_ = nullptr;
    server_data_ = nullptr;
}

const ServerRecord& Module::server(std::string_view class_name, std::string_view server_name) const {
    for (const ServerRecord* record = descriptor_->serverDefs; record && record->className; ++record)
        if (class_name == record->className && record->name && server_name == record->name) return *record;
    throw ModuleError(name_ + " has no " + std::string(class_name) + " server named " + std::string(server_name));
}

}  // namespace zelkor::host
