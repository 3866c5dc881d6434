#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/resources.h"

namespace {

using Paths = std::vector<std::string>;

// Working folder, installed data folder, an install moved elsewhere, next to the program.
TEST(Resources, LookedForInTheWorkingFolderTheDataFolderThenBesideTheProgram) {
    EXPECT_EQ(resourceCandidates("res/box1.png", "/opt/k/bin/", "/usr/share/kiru", "../share/kiru"),
              (Paths{"res/box1.png", "/usr/share/kiru/res/box1.png",
                     "/opt/k/bin/../share/kiru/res/box1.png", "/opt/k/bin/res/box1.png"}));
    EXPECT_EQ(resourceCandidates("res/a.png", "build", "", ""),
              (Paths{"res/a.png", "build/res/a.png"}));
    EXPECT_EQ(resourceCandidates("res/a.png", "", "/usr/share/kiru/", "../share/kiru"),
              (Paths{"res/a.png", "/usr/share/kiru/res/a.png"}));
}

} // namespace
