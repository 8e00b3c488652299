#include "clone/messages.h"

#include "clone/globals.h"

namespace zelkor {

const char* const kAboutLine1 = "Zelkor 1.6: clones the background layers over the foreground polygons";
const char* const kAboutLine2 = "https://zelkor.dev";

void message(const char* line1, const char* line2) {
    if (msg) msg->error(line1, line2);
}

void msg_nurbs(LWXPanelID, int) {
    if (msg) msg->info("Need some polys in background layer.", "NURBS not supported.");
}

void msg_nurbs2(LWXPanelID, int) {
    if (msg) msg->error("NURBS not supported.", "Need some polys in foreground layer.");
}

int are_you_sure(const char* text, const char* title) {
    if (!msg) return 0;
    return msg->yesNo(title, "Are You sure?", text);
}

void msg_about(LWXPanelID, int) {
    if (msg) msg->info(kAboutLine1, kAboutLine2);
}

}  // namespace zelkor
