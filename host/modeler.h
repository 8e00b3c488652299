// The stand-in modeller: a document with foreground and background layers, the global services
// a module asks for, and the activation of a mesh-edit server.
//
// Typical use (the command line):
//   host::Modeler modeler(document);
//   modeler.set_layers({0}, {1});
//   modeler.messages().set_forward(print);
//   modeler.panels().set_front(ask_user);
//   host::Module module = host::Module::load(path);
//   host::ActivationResult r = modeler.run(module, "Zelkor");
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "api/host_api.h"
#include "host/document.h"
#include "host/messages.h"
#include "host/module_loader.h"
#include "host/monitor.h"
#include "host/objects.h"
#include "host/panel.h"
#include "host/session.h"

namespace zelkor::host {

enum class Service { Messages, Objects, Panels, Monitors };

// The version handed to a server's activation function.
constexpr int kActivationVersion = 1;

struct ActivationResult {
    int code = AFUNC_OK;               // what the activation function returned
    bool session_opened = false;       // MeshEditBegin gave the module a session
    SessionResult session;             // done called or not, its error, what was added
    std::vector<Message> messages;     // the messages of this activation, in order
};

class Modeler {
public:
    explicit Modeler(Document& document);

    Document& document() { return document_; }

    // Indices into document().layers; new geometry goes into foreground.front(). Throws
    // std::invalid_argument for an index out of range or a layer in both sets.
    void set_layers(std::vector<int> foreground, std::vector<int> background);
    const std::vector<int>& foreground() const { return foreground_; }
    const std::vector<int>& background() const { return background_; }

    MessageService& messages() { return messages_; }
    ObjectService& objects() { return objects_; }
    PanelService& panels() { return panels_; }
    MonitorService& monitors() { return monitors_; }

    // A switched-off service is unknown to the lookup (it answers null), as on a modeller without it.
    void set_service_enabled(Service service, bool enabled);
    bool service_enabled(Service service) const;
    // While false, MeshEditBegin answers null (a modeller that cannot open an edit now).
    void set_mesh_edit_available(bool available) { mesh_edit_available_ = available; }

    // Runs one activation: (kActivationVersion, lookup, MeshEditBegin, server_data). A session
    // the module left open is closed as if done had been given EDERR_USERABORT, so its edits are
    // taken back, and the result says done was not called.
    ActivationResult activate(const ServerRecord& server, void* server_data);
    // The module's "MeshDataEdit" server of this name (ModuleError when it has none).
    ActivationResult run(const Module& module, std::string_view server_name);

    // The C entry points handed to modules; they reach the modeller of the current activation.
    static void* lookup(const char* service_name, int use_mode);  // GlobalFunc
    static MeshEditOp* begin_mesh_edit(int point_buffer, int polygon_buffer, int selection_mode);  // MeshEditBegin

private:
    MeshEditOp* open_session();

    Document& document_;
    std::vector<int> foreground_;
    std::vector<int> background_;
    MessageService messages_;
    ObjectService objects_;
    PanelService panels_;
    MonitorService monitors_;
    bool enabled_[4] = {true, true, true, true};
    bool mesh_edit_available_ = true;
    std::unique_ptr<Session> session_;  // the session of the current activation
    bool session_opened_ = false;
};

}  // namespace zelkor::host
