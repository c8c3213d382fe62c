#pragma once
// Window placements as profiles keep them, the kinds of profile, and the slots in which the
// placements of the main window and the module windows are stored.

// A window placement in the classic layout: length, flags, show command, minimised and
// maximised positions and the normal rectangle (right and bottom exclusive).
struct WindowPlacement {
    int length = 0;
    int flags = 0;
    int showCmd = 5;
    int minX = -1, minY = -1;
    int maxX = -1, maxY = -1;
    int left = 0, top = 0, right = 10, bottom = 10;

    static constexpr int kRecordSize = 11 * 4;
    static WindowPlacement Default() { return {}; }
    friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

// The numbering is fixed: it is compared in several places.
enum class ProfileKind {
    Standard = 0,
    Musician = 1,
    Analyst = 2,
    Complete = 3,
    ForKids = 4,
    SecondarySchool = 5,
    LastUsed = 6,
    User = 7
};

// Index of a stored placement.
enum WindowSlot {
    kSlotMain = 0,
    kSlotOverview = 1,
    kSlotFft = 2,
    kSlotAnalysis = 3,
    kSlotReconstruction = 4,
    kSlotLandscape = 5,
    kSlotScore = 6,
    kSlotSonogram = 7,
    kSlotWavelet = 8,
    kSlotTimeSeries = 9,
    kSlotCount = 10
};

// What the relative placements of module windows are measured against: the main frame's
// client area and the bars that take height from it.
struct FrameMetrics {
    int clientWidth = 0;
    int clientHeight = 0;
    int statusBarHeight = 0;
    int kidsToolBarHeight = 0;
    int toolBarHeight = 0;
};
