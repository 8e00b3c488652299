// The progress bar appears on standard error only when it is a terminal.
#include "zelkor_runner.h"

namespace zelkor::cli_test {
namespace {

class Progress : public ZelkorRun {};

TEST_F(Progress, BarOnlyOnATerminalAndNotWhenQuiet) {
    RunResult r = zelkor(clone_args("out.lwo", {"--set", "num_clones=200"}), true);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("\rRandomising positions... [                              ]   0%"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\rRandomising positions... [##############################] 100%"), std::string::npos);
    r = zelkor(clone_args("out.lwo", {"--set", "num_clones=200", "--quiet"}), true);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    r = clone("out.lwo", {"--set", "num_clones=200"});  // standard error is a file
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace zelkor::cli_test
