#pragma once
// What the document needs of a view: it is told about changes through numbered hints.

class ProfileSettings;

class IDocumentView {
public:
    virtual ~IDocumentView() = default;
    virtual void OnUpdate(int hint) = 0;
    // Before a user profile is saved: store the frame's placement and write back the settings.
    virtual void CollectWindowState(ProfileSettings&) {}
};
