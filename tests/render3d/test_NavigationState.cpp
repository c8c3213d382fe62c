// The navigation of the 3D views: key steps for the object, camera velocities with inertia.

#include <gtest/gtest.h>

#include <cmath>

#include "render3d/NavigationState.h"

TEST(NavigationState, OneEventMovesOnceAndInertiaDecays) {
    NavigationState nav;
    nav.Press(NavigationState::kObjRotXPlus);
    nav.Press(NavigationState::kCamRight);
    nav.Update(1.0);
    nav.ReleaseAll();
    EXPECT_DOUBLE_EQ(nav.objectRotation[0], 1.0);
    EXPECT_DOUBLE_EQ(nav.rotationVelocity[0], 0.1);
    nav.Update(1.0);
    EXPECT_DOUBLE_EQ(nav.objectRotation[0], 1.0);       // the object moved once
    EXPECT_NEAR(nav.rotationVelocity[0], 0.09, 1e-12);  // the camera coasts and slows
    EXPECT_GT(nav.cameraRotation[0], 0.1);
    nav.Reset();
    EXPECT_DOUBLE_EQ(nav.cameraRotation[0], 0.0);
}
