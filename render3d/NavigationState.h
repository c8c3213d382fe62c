#pragma once

#include <array>
#include <cstdint>

// Key-state table of the 3D views and what one frame makes of it. Inputs (keys, wheel, drags) mark a
// key for exactly one frame; the object moves by fixed steps, the camera through velocities with
// inertia (each frame: 0.9 · old + 0.1 · input, moved by velocity · elapsed seconds).
class NavigationState {
public:
    // Key codes of the table (one per action; the views map Qt keys onto them).
    enum Key : std::uint8_t {
        kObjRotXMinus = 'O',
        kObjRotXPlus = 'P',
        kObjRotYMinus = 'K',
        kObjRotYPlus = 'L',
        kObjRotZMinus = 'N',
        kObjRotZPlus = 'M',
        kObjMoveXMinus = 'X',
        kObjMoveXPlus = 'C',
        kObjMoveYMinus = 'V',
        kObjMoveYPlus = 'B',
        kObjMoveZMinus = 'G',
        kObjMoveZPlus = 'H',
        kCamLeft = 1,
        kCamRight = 2,
        kCamDown = 3,
        kCamUp = 4,
        kZoomIn = 5,
        kZoomOut = 6,
        kCamForward = 'A',
        kCamBack = 'Z',
        kCamStrafeLeft = 'E',
        kCamStrafeRight = 'Q',
        kRollLeft = 7,
        kRollRight = 8,
    };

    void Press(Key key) { m_keys[key] = 1; }
    void ReleaseAll() { m_keys.fill(0); }
    bool Pressed(Key key) const { return m_keys[key] != 0; }

    // Advances one frame of dt seconds.
    void Update(double dt);
    void Reset();

    // Object: rotation in degrees about x, y, z and translation.
    std::array<double, 3> objectRotation{};
    std::array<double, 3> objectTranslation{};
    // Camera: yaw/pitch/zoom-axis rotation and translation accumulated from the velocities.
    std::array<double, 3> cameraRotation{};
    std::array<double, 3> cameraTranslation{};
    std::array<double, 3> rotationVelocity{};
    std::array<double, 3> translationVelocity{};

private:
    std::array<std::uint8_t, 256> m_keys{};
};
