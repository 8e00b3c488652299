// The modeller's plug-in interface, as far as this module uses it.
//
// The module sees its host only through these plain structs and function tables: opaque handles,
// counts and status codes, no exceptions and no standard-library types. Any host that fills the
// tables below can load and run the module; ours lives in host/.
#pragma once

#include <cstdint>

namespace zelkor {

// ---------------------------------------------------------------------------------------------
// Identifiers

// A four-character code, first character in the high byte ("FACE" = 0x46414345).
using LWID = std::uint32_t;
constexpr LWID LWID_(char a, char b, char c, char d) {
    return (LWID(std::uint8_t(a)) << 24) | (LWID(std::uint8_t(b)) << 16) |
           (LWID(std::uint8_t(c)) << 8) | LWID(std::uint8_t(d));
}

constexpr LWID LWPOLTYPE_FACE = LWID_('F', 'A', 'C', 'E');
constexpr LWID LWPOLTYPE_CURV = LWID_('C', 'U', 'R', 'V');
constexpr LWID LWPOLTYPE_PTCH = LWID_('P', 'T', 'C', 'H');
constexpr LWID LWPOLTYPE_SUBD = LWID_('S', 'U', 'B', 'D');
constexpr LWID LWPOLTYPE_MBAL = LWID_('M', 'B', 'A', 'L');
constexpr LWID LWPOLTYPE_BONE = LWID_('B', 'O', 'N', 'E');

constexpr LWID LWVMAP_TXUV = LWID_('T', 'X', 'U', 'V');  // texture coordinates, 2 values
constexpr LWID LWVMAP_WGHT = LWID_('W', 'G', 'H', 'T');  // weight, 1 value
constexpr LWID LWVMAP_MORF = LWID_('M', 'O', 'R', 'F');  // relative morph offset, 3 values
constexpr LWID LWVMAP_MNVW = LWID_('M', 'N', 'V', 'W');  // subpatch weight, 1 value
constexpr LWID LWVMAP_SPOT = LWID_('S', 'P', 'O', 'T');  // absolute morph position, 3 values

constexpr LWID LWPTAG_SURF = LWID_('S', 'U', 'R', 'F');
constexpr LWID LWPTAG_PART = LWID_('P', 'A', 'R', 'T');
constexpr LWID LWPTAG_SMGP = LWID_('S', 'M', 'G', 'P');
constexpr LWID LWPTAG_COLR = LWID_('C', 'O', 'L', 'R');

// Opaque handles of the host's points and polygons.
struct st_GCorePoint;
struct st_GCorePolygon;
using LWPntID = st_GCorePoint*;
using LWPolID = st_GCorePolygon*;

// ---------------------------------------------------------------------------------------------
// Global services

// The host's service lookup: a service by name, or null when the host has none of that name.
using GlobalFunc = void* (*)(const char* service_name, int use_mode);
constexpr int GFUSE_TRANSIENT = 0;

constexpr const char* LWMESSAGEFUNCS_GLOBAL = "Info Messages 2";
constexpr const char* LWOBJECTFUNCS_GLOBAL = "Scene Objects 6";
constexpr const char* LWXPANELFUNCS_GLOBAL = "LWXPanel";
constexpr const char* LWDYNAMONFUNCS_GLOBAL = "LWM: Dynamic Monitor";

struct LWMessageFuncs {
    void (*info)(const char* line1, const char* line2);
    void (*error)(const char* line1, const char* line2);
    void (*warning)(const char* line1, const char* line2);
    int (*yesNo)(const char* title, const char* line1, const char* line2);  // 1 yes, 0 no
};

struct LWObjectFuncs {
    int (*numVMaps)(LWID type);
    const char* (*vmapName)(LWID type, int index);  // text owned by the host
};

// A progress monitor. step() answers 1 when the user asked to abort.
struct LWMonitor {
    void* data;
    void (*init)(void* data, unsigned int total);
    int (*step)(void* data, unsigned int increment);
    void (*done)(void* data);
};

struct DynaMonitorFuncs {
    LWMonitor* (*create)(const char* title, const char* caption);  // null when none can be made
    void (*destroy)(LWMonitor* monitor);
};

// ---------------------------------------------------------------------------------------------
// Form panels

struct st_LWXPanel;
using LWXPanelID = st_LWXPanel*;

constexpr int LWXP_FORM = 1;  // values move only through formGet and formSet

struct LWXPanelControl {  // one row of a control table; a row with cid 0 ends it
    unsigned long cid;
    const char* label;
    const char* ctrlclass;  // "integer", "float", "percent", "angle", "iBoolean", "iPopChoice", "vButton"
};

struct LWXPanelDataDesc {  // one row of a data-description table; a row with vid 0 ends it
    unsigned long vid;
    const char* name;
    const char* datatype;  // "integer", "float", "vButton"
};

using LWXPanelBtnClickFunc = void (*)(LWXPanelID panel, int cid);

enum LWXPanelHintKind : int {
    XpEND = 0,       // ends a hint list
    XpLABEL,         // text: the label of the panel (id 0) or of a group
    XpGROUP_,        // ids: the controls of group `id`, in order
    XpTABS_,         // ids: the groups shown as tabs of tab set `id`
    XpDIVADD,        // a divider after control `id`
    XpSTRLIST,       // strings: the null-terminated entries of popup `id`
    XpBUTNOTIFY,     // button: the handler of button `id`
    XpENABLEMSG_,    // ids: controls enabled only while switch `id` is non-zero; text: the message
};

struct LWXPanelHint {
    LWXPanelHintKind kind;
    unsigned long id;
    const char* text;
    const unsigned long* ids;    // 0-terminated
    const char* const* strings;  // null-terminated
    LWXPanelBtnClickFunc button;
};

struct LWXPanelFuncs {
    LWXPanelID (*create)(int type, const LWXPanelControl* controls);  // null when none can be made
    void (*destroy)(LWXPanelID panel);
    // The get and set callbacks of other panel types; form panels pass null for both.
    void (*describe)(LWXPanelID panel, const LWXPanelDataDesc* data, void* get, void* set);
    void (*hint)(LWXPanelID panel, unsigned long id, const LWXPanelHint* hints);
    void* (*formGet)(LWXPanelID panel, unsigned long cid);  // address of the control's value
    void (*formSet)(LWXPanelID panel, unsigned long cid, const void* value);
    int (*post)(LWXPanelID panel);  // modal: 1 OK, 0 cancel
};

// ---------------------------------------------------------------------------------------------
// Mesh edits

using EDError = int;
constexpr EDError EDERR_NONE = 0;
constexpr EDError EDERR_NOMEMORY = 1;
constexpr EDError EDERR_BADLAYER = 2;
constexpr EDError EDERR_BADSURF = 3;
constexpr EDError EDERR_USERABORT = 4;
constexpr EDError EDERR_BADARGS = 5;
constexpr EDError EDERR_BADVMAP = 6;

using EltOpLayer = int;
constexpr EltOpLayer OPLYR_FG = 1;
constexpr EltOpLayer OPLYR_BG = 2;

constexpr int OPSEL_USER = 1;
constexpr int EDCOUNT_ALL = 0;
constexpr int EDCOUNT_SELECT = 1;
constexpr int EDSELM_CLEARCURRENT = 0;

constexpr int EDDF_SELECT = 1;
constexpr int EDDF_DELETE = 2;

struct st_EDState;
using EDStateRef = st_EDState*;

struct EDPointInfo {
    LWPntID pnt;
    void* userData;
    int layer;
    int flags;
    double position[3];
    float* vmapVec;  // the point's value in the map chosen by pointVSet, or null
};

struct EDPolygonInfo {
    LWPolID pol;
    void* userData;
    int layer;
    int flags;
    int numPnts;
    const LWPntID* points;
    const char* surface;
    LWID type;
};

using EDPointScanFunc = EDError (*)(void* data, const EDPointInfo* point);
using EDPolyScanFunc = EDError (*)(void* data, const EDPolygonInfo* polygon);

struct MeshEditOp {
    EDStateRef state;
    int layerNum;
    void (*done)(EDStateRef state, EDError error, int selection_mode);
    int (*pointCount)(EDStateRef state, EltOpLayer layers, int mode);
    int (*polyCount)(EDStateRef state, EltOpLayer layers, int mode);
    EDError (*pointScan)(EDStateRef state, EDPointScanFunc callback, void* data, EltOpLayer layers);
    EDError (*polyScan)(EDStateRef state, EDPolyScanFunc callback, void* data, EltOpLayer layers);
    EDPointInfo* (*pointInfo)(EDStateRef state, LWPntID point);    // null for an unknown point
    EDPolygonInfo* (*polyInfo)(EDStateRef state, LWPolID polygon);  // null for an unknown polygon
    int (*polyNormal)(EDStateRef state, LWPolID polygon, double normal[3]);  // 0: no normal
    LWPntID (*addPoint)(EDStateRef state, double position[3]);
    LWPolID (*addPoly)(EDStateRef state, LWID type, LWPolID template_polygon, const char* surface,
                       int point_count, const LWPntID* points);
    // Chooses the map that pointVGet and EDPointInfo::vmapVec read; non-zero when the map exists.
    int (*pointVSet)(EDStateRef state, void* vmap_id, LWID type, const char* name);
    int (*pointVGet)(EDStateRef state, LWPntID point, float* value);  // non-zero: point has a value
    EDError (*pntVMap)(EDStateRef state, LWPntID point, LWID type, const char* name, int dimension,
                       float* value);
};

// The activation's "local" argument for a mesh-data-edit server.
using MeshEditBegin = MeshEditOp* (*)(int point_buffer, int polygon_buffer, int selection_mode);

// ---------------------------------------------------------------------------------------------
// Module registration

constexpr unsigned long MOD_SYSSYNC = 0x04121994;
constexpr unsigned long MOD_SYSVER = 3;
constexpr unsigned long MOD_MACHINE = 0x400;

constexpr unsigned int LANGID_USENGLISH = 0x409;
constexpr unsigned int SRVTAG_USERNAME = 0x00000;
constexpr unsigned int SRVTAG_BUTTONNAME = 0x10000;
constexpr unsigned int SRVTAG_ENABLE = 0x50000;

constexpr const char* LWMESHEDIT_CLASS = "MeshDataEdit";

struct ServerTagInfo {
    const char* string;
    unsigned int tag;
};

using ActivateFunc = int (*)(int version, GlobalFunc global, void* local, void* server_data);

struct ServerRecord {
    const char* className;
    const char* name;
    ActivateFunc activate;
    const ServerTagInfo* tagInfo;
};

struct ModuleDescriptor {
    unsigned long sysSync;
    unsigned long sysVersion;
    unsigned long sysMachine;
    void* (*startup)();
    void (*shutdown)(void* server_data);
    const ServerRecord* serverDefs;  // ends with a record whose className is null
};

// Activation results.
constexpr int AFUNC_OK = 0;
constexpr int AFUNC_BADAPP = 3;  // the host could not open what the server needs

}  // namespace zelkor

// The symbol a host looks up in a loaded module.
extern "C" {
extern zelkor::ModuleDescriptor _mod_descrip;
}
