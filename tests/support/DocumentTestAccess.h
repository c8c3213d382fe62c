#pragma once
// Puts a document into a state that otherwise needs a sound card or a running sound (listening,
// recording, playing), for the views and windows that react to it.

#include "document/SoundDocument.h"

class DocumentTestAccess {
public:
    static DocumentActivity& Activity(SoundDocument& doc) { return doc.m_activity; }
};
