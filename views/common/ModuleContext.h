#pragma once
// What a module's view and frame are made with: the settings they read and write back, the
// document they show and the seam through which they talk to the user.

class SoundDocument;
class ProfileSettings;
class UserInterface;

struct ModuleContext {
    ProfileSettings& settings;
    SoundDocument& doc;
    UserInterface& ui;
};
