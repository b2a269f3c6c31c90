// What a new picture saved without a key leaves alone: content its program
// asked clipboard monitors to leave alone (password managers and remote
// sessions mark what they copy so), and office programs' copies of cells and
// text.
#pragma once

#include "platform/platform.h"

// With the clipboard open: true when it carries such a mark. A mark that
// cannot be read counts as private.
bool ClipboardIsPrivate(platform::Clipboard& clipboard, platform::GlobalMemory& memory);

// With the clipboard open: true when an office program put it and it carries
// text. Such programs put a bitmap of every copied selection beside its text;
// a picture they put alone is a picture. Only asks which formats there are,
// so the owner renders nothing. An owner that cannot be named is none of them.
bool ClipboardIsOfficeCopy(platform::Clipboard& clipboard, platform::Shell& shell);
