// Content its program asked clipboard monitors to leave alone: password
// managers and remote sessions mark what they copy so.
#pragma once

#include "platform/platform.h"

// With the clipboard open: true when it carries such a mark. A mark that
// cannot be read counts as private.
bool ClipboardIsPrivate(platform::Clipboard& clipboard, platform::GlobalMemory& memory);
