#pragma once
// What a module's view and frame are made with: the settings they read and write back, the
// document they show and the seam through which they talk to the user.

class CKalvoDoc;
class CKalvoSettings;
class UserInterface;

struct ModuleContext {
    CKalvoSettings& settings;
    CKalvoDoc& doc;
    UserInterface& ui;
};
