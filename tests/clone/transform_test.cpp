// The transform of a template vector for one clone.
#include <gtest/gtest.h>

#include "clone/globals.h"
#include "clone/placement.h"
#include "clone/transform.h"
#include "random/random.h"

namespace zelkor {
namespace {

class Transform : public ::testing::Test {
protected:
    void SetUp() override {
        p = params_typ();
        p.H_align = 0;
        p.P_align = 0;
        size_change_x = size_change_y = size_change_z = 1.0;
        HPB_rand = XYZ6_typ();
        node.polygon = 1;
        node.H_angle = 0;
        node.P_angle = 0;
        akt_item = &node;
        WG_val = weights;
    }
    void TearDown() override {
        akt_item = nullptr;
        WG_val = nullptr;
    }
    XYZ6_typ apply(XYZ6_typ v) { return calc_cloned_point(v, &p); }

    params_typ p;
    pos_typ node;
    double weights[2] = {0.0, 0.0};
};

TEST_F(Transform, NeutralSettingsLeaveTheVectorUnchanged) {
    XYZ6_typ v = apply(XYZ6_typ(1.5, -2.25, 3.0));
    EXPECT_EQ(v.x, 1.5);
    EXPECT_EQ(v.y, -2.25);
    EXPECT_EQ(v.z, 3.0);
}

TEST_F(Transform, LinkedSizesUseOnlyTheXFactor) {
    size_change_x = 2;
    size_change_y = 7;
    size_change_z = 9;
    XYZ6_typ v = apply(XYZ6_typ(1, 2, 3));
    EXPECT_EQ(v.x, 2);
    EXPECT_EQ(v.y, 4);
    EXPECT_EQ(v.z, 6);
    p.independent_sizes = 1;
    size_change_y = 3;
    size_change_z = 4;
    v = apply(XYZ6_typ(1, 1, 1));
    EXPECT_EQ(v.x, 2);
    EXPECT_EQ(v.y, 3);
    EXPECT_EQ(v.z, 4);
}

TEST_F(Transform, SizeWeightShrinksAtHalfTheRate) {
    p.size_wg = 1;
    p.size_wg_influence = 1.0;
    for (auto [w, factor] : {std::pair{1.0, 2.0}, {0.0, 1.0}, {-1.0, 0.5}}) {
        weights[1] = w;
        EXPECT_EQ(apply(XYZ6_typ(2, 2, 2)).y, 2 * factor) << "weight " << w;
    }
}

TEST_F(Transform, RandomBankAndHeadingFollowTheAxisConventions) {
    HPB_rand.z = 1.5707963267948966;  // bank: +X turns to -Y
    XYZ6_typ v = apply(XYZ6_typ(1, 0, 0));
    EXPECT_NEAR(v.x, 0, 1e-16);
    EXPECT_EQ(v.y, -1);
    HPB_rand = XYZ6_typ();
    HPB_rand.x = 1.5707963267948966;  // heading: +X turns to +Z
    v = apply(XYZ6_typ(1, 0, 0));
    EXPECT_NEAR(v.x, 0, 1e-16);
    EXPECT_EQ(v.z, 1);
}

TEST_F(Transform, AlignmentComesAfterTheRandomTurn) {
    HPB_rand.x = 1.5707963267948966;  // +X -> +Z
    p.P_align = 1;
    node.P_angle = 1.5707963267948966;  // then about Z: +Z stays
    p.H_align = 1;
    node.H_angle = 1.5707963267948966;  // then about Y: +Z turns to -X
    XYZ6_typ v = apply(XYZ6_typ(1, 0, 0));
    EXPECT_EQ(v.x, -1);
    EXPECT_NEAR(v.y, 0, 1e-16);
    EXPECT_NEAR(v.z, 0, 1e-16);
    // Flags other than 1 count as off.
    p.P_align = 2;
    p.H_align = 2;
    v = apply(XYZ6_typ(1, 0, 0));
    EXPECT_EQ(v.z, 1);
}

TEST_F(Transform, JitterDrawsOneFactorPerCall) {
    p.jitter = 1.0;
    losoj.fixed(17);
    random mirror;
    mirror.fixed(17);
    for (int i = 0; i < 3; ++i) {
        double f = mirror.z_zakresu(0.0, 2.0);
        EXPECT_EQ(apply(XYZ6_typ(1, 1, 1)).x, f);
    }
    p.jitter = 0.0;
    apply(XYZ6_typ(1, 1, 1));
    EXPECT_EQ(losoj.get(), mirror.get());  // no jitter, no draw
}

TEST_F(Transform, TheOriginStaysAtTheOrigin) {
    p.jitter = 0.7;
    p.independent_sizes = 1;
    size_change_x = 3;
    HPB_rand = XYZ6_typ(0.3, 1.1, -2.0);
    p.H_align = p.P_align = 1;
    node.H_angle = 0.4;
    node.P_angle = 1.2;
    XYZ6_typ v = apply(XYZ6_typ(0, 0, 0));
    EXPECT_EQ(v.x, 0);
    EXPECT_EQ(v.y, 0);
    EXPECT_EQ(v.z, 0);
}

}  // namespace
}  // namespace zelkor
