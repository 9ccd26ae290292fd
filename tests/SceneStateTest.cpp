// The saved scene state: every piece that a frame or a key changes is saved,
// seen by the comparison, and put back.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>

#include "app/FrameLoop.h"
#include "base/RuntimeSettings.h"
#include "render/Lighting.h"
#include "scene/SceneGlobals.h"
#include "support/GlContext.h"
#include "support/SceneControl.h"
#include "tools/common/SceneState.h"

namespace tandril::tools {
namespace {

class SceneStateTest : public test::SceneTest {};

TEST_F(SceneStateTest, EveryPieceIsSavedComparedAndPutBack) {
    const test::SceneStateGuard guard;
    app::advanceScene(0.5f);  // matrices and lights as a frame leaves them
    const SceneState saved = SceneState::save();
    const std::vector<std::pair<std::string, std::function<void()>>> changes = {
        {"camera", [] { scene::camera->m_pathTime += 1.0f; }},
        {"car1", [] { scene::car1->update(0.25f); }},
        {"car2", [] { scene::car2->m_mesh->m_modelMatrix[3].y += 1.0f; }},
        {"car3", [] { scene::car3->update(0.25f); }},
        {"light", [] { render::lightPositions[2].w += 1.0f; }},
        {"frame report", [] { base::frameRateEnabled = !base::frameRateEnabled; }},
        {"parallax", [] { base::parallaxEnabled = !base::parallaxEnabled; }},
        {"parallax scale", [] { base::parallaxScale += 0.01f; }},
        {"relief shadow", [] { base::shadowMultiplierEnabled = !base::shadowMultiplierEnabled; }},
    };
    for (const auto& [piece, change] : changes) {
        SCOPED_TRACE(piece);
        change();
        EXPECT_NE(SceneState::save(), saved);
        saved.restore();
        EXPECT_EQ(SceneState::save(), saved);
    }
    // A whole frame's worth of change, put back at once.
    app::advanceScene(1.0f);
    saved.restore();
    EXPECT_EQ(SceneState::save(), saved);
}

}  // namespace
}  // namespace tandril::tools
