#include "host/modeler.h"

#include <cstring>
#include <stdexcept>

#include "host/active.h"

namespace zelkor::host {
namespace {

int service_slot(Service service) { return int(service); }

}  // namespace

Modeler::Modeler(Document& document) : document_(document) {
    if (!document.layers.empty()) foreground_ = {0};
}

void Modeler::set_layers(std::vector<int> foreground, std::vector<int> background) {
    const int layer_count = int(document_.layers.size());
    for (const std::vector<int>* set : {&foreground, &background})
        for (int layer : *set)
            if (layer < 0 || layer >= layer_count)
                throw std::invalid_argument("no layer at index " + std::to_string(layer) + " (the document has " +
                                            std::to_string(layer_count) + ")");
    for (int layer : foreground)
        for (int other : background)
            if (layer == other)
                throw std::invalid_argument("layer at index " + std::to_string(layer) +
                                            " cannot be both foreground and background");
    foreground_ = std::move(foreground);
    background_ = std::move(background);
}

void Modeler::set_service_enabled(Service service, bool enabled) { enabled_[service_slot(service)] = enabled; }

bool Modeler::service_enabled(Service service) const { return enabled_[service_slot(service)]; }

// ---------------------------------------------------------------------------------------------
// Activation

ActivationResult Modeler::activate(const ServerRecord& server, void* server_data) {
    ActiveScope<Modeler> modeler(*this);
    ActiveScope<MessageService> messages(messages_);
    ActiveScope<ObjectService> objects(objects_);
    ActiveScope<PanelService> panels(panels_);
    ActiveScope<MonitorService> monitors(monitors_);
    objects_.refresh(document_);

    const std::size_t first_message = messages_.messages().size();
    session_.reset();
    session_opened_ = false;

    ActivationResult result;
    result.code = server.activate(kActivationVersion, &Modeler::lookup,
                                  reinterpret_cast<void*>(&Modeler::begin_mesh_edit), server_data);
    result.session_opened = session_opened_;
    if (session_) {
        result.session = session_->result();
        // A session the module left open is destroyed here, which takes its unconfirmed edits back.
        session_.reset();
    }
    result.messages.assign(messages_.messages().begin() + std::ptrdiff_t(first_message), messages_.messages().end());
    return result;
}

ActivationResult Modeler::run(const Module& module, std::string_view server_name) {
    return activate(module.server(LWMESHEDIT_CLASS, server_name), module.server_data());
}

void* Modeler::lookup(const char* service_name, int) {
    Modeler* modeler = ActiveScope<Modeler>::current();
    if (!modeler || !service_name) return nullptr;
    auto offered = [&](Service service, const char* name) {
        return modeler->service_enabled(service) && std::strcmp(service_name, name) == 0;
    };
    if (offered(Service::Messages, LWMESSAGEFUNCS_GLOBAL)) return MessageService::table();
    if (offered(Service::Objects, LWOBJECTFUNCS_GLOBAL)) return ObjectService::table();
    if (offered(Service::Panels, LWXPANELFUNCS_GLOBAL)) return PanelService::table();
    if (offered(Service::Monitors, LWDYNAMONFUNCS_GLOBAL)) return MonitorService::table();
    return nullptr;
}

MeshEditOp* Modeler::begin_mesh_edit(int, int, int) {
    Modeler* modeler = ActiveScope<Modeler>::current();
    return modeler ? modeler->open_session() : nullptr;
}

MeshEditOp* Modeler::open_session() {
    // One session at a time, as in a modeller: a second begin while one is open gets nothing.
    if (!mesh_edit_available_ || (session_ && session_->is_open())) return nullptr;
    session_ = std::make_unique<Session>(document_, foreground_, background_);
    session_opened_ = true;
    return session_->op();
}

}  // namespace zelkor::host
