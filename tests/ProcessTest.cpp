// The tests' child-process helper on small programs of the system: what it
// passes in and reads out, how it reports the end, and the time limit.
#include <string>

#include <gtest/gtest.h>

#include "support/Process.h"

namespace tandril::test {
namespace {

TEST(ProcessTest, FeedsStandardInputAndKeepsTheTwoOutputsApart) {
    ProcessOptions options;
    options.workingDirectory = sourceDir() / "shader";
    options.stdinFromPipe = true;
    options.stdinText = "one\ntwo";
    const ProcessResult run = runProcess(
        "/bin/sh", {"sh", "-c", "cat; echo; pwd >&2; ls shader_skybox.vert; exit 3"}, options);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.out, "one\ntwo\nshader_skybox.vert\n");
    EXPECT_EQ(run.err, (sourceDir() / "shader").string() + "\n");
}

TEST(ProcessTest, StandardInputIsClosedUnlessGiven) {
    const ProcessResult run = runProcess("/bin/sh", {"sh", "-c", "cat; echo $?"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "1\n");  // cat cannot read a closed descriptor
}

TEST(ProcessTest, AProgramThatCannotStartOrOverrunsItsTimeSaysSo) {
    const ProcessResult missing = runProcess("/nonexistent/program", {"program"});
    EXPECT_FALSE(missing.timedOut);
    EXPECT_EQ(missing.exitCode, 127);

    ProcessOptions options;
    options.timeLimitSeconds = 0.3;
    const ProcessResult run =
        runProcess("/bin/sh", {"sh", "-c", "echo started; exec sleep 30"}, options);
    EXPECT_TRUE(run.timedOut);
    EXPECT_EQ(run.exitCode, -1);
    EXPECT_EQ(run.out, "started\n");
}

}  // namespace
}  // namespace tandril::test
