// The module's messages to the user, all through the host's message service (skipped without one).
#pragma once

#include "api/host_api.h"

namespace zelkor {

// The one way a run reports an error: an error dialog of one or two lines (line2 may be null).
void message(const char* line1, const char* line2);

void msg_nurbs(LWXPanelID panel, int cid);
void msg_nurbs2(LWXPanelID panel, int cid);
int are_you_sure(const char* text, const char* title);

// Handler of the panel's "About" button.
void msg_about(LWXPanelID panel, int cid);

extern const char* const kAboutLine1;
extern const char* const kAboutLine2;

}  // namespace zelkor
