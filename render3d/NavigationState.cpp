#include "render3d/NavigationState.h"

void NavigationState::Reset() {
    *this = NavigationState{};
}

void NavigationState::Update(double dt) {
    auto axis = [this](Key minus, Key plus) {
        return (Pressed(plus) ? 1.0 : 0.0) - (Pressed(minus) ? 1.0 : 0.0);
    };
    objectRotation[0] += axis(kObjRotXMinus, kObjRotXPlus);
    objectRotation[1] += axis(kObjRotYMinus, kObjRotYPlus);
    objectRotation[2] += axis(kObjRotZMinus, kObjRotZPlus);
    objectTranslation[0] += 0.1 * axis(kObjMoveXMinus, kObjMoveXPlus);
    objectTranslation[1] += 0.1 * axis(kObjMoveYMinus, kObjMoveYPlus);
    objectTranslation[2] += 0.1 * axis(kObjMoveZMinus, kObjMoveZPlus);

    const std::array<double, 3> rotInput{axis(kCamLeft, kCamRight), axis(kCamDown, kCamUp),
                                         2.0 * axis(kZoomIn, kZoomOut)};
    const std::array<double, 3> moveInput{axis(kCamStrafeLeft, kCamStrafeRight), axis(kCamForward, kCamBack),
                                          2.0 * axis(kRollRight, kRollLeft)};
    for (int i = 0; i < 3; ++i) {
        rotationVelocity[i] = 0.9 * rotationVelocity[i] + 0.1 * rotInput[i];
        translationVelocity[i] = 0.9 * translationVelocity[i] + 0.1 * moveInput[i];
        cameraRotation[i] += rotationVelocity[i] * dt;
        cameraTranslation[i] += translationVelocity[i] * dt;
    }
}
