// Every question refuses an answer it cannot use, and the refusal always ends
// at the exit prompt with status 1, before any file is written.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hardening/guarded_run.h"
#include "run_program.h"

namespace {

const std::string invalidAnswer = "\n\n Error: invalid or missing answer.\n\n";
const std::string exitPrompt = "\n\n Press any key to exit.\n";

struct Question {
    const char* prompt;       // the end of the question's text
    const char* answersSoFar; // valid answers to every earlier question
    bool integer;
};

const Question questions[] = {
    {"\n\n Please enter the ZPA. \n", "spec.txt ", false},
    {" 1= 1/3   2= 1/6   3= 1/12 \n", "spec.txt 2 ", true},
    {" 1= damping ratio   2= Q \n", "spec.txt 2 1 ", true},
    {"\n Enter SRS damping ratio (typically 0.05) ", "spec.txt 2 1 1 ", false},
    {"\n Enter SRS amplification factor Q (typically 10) ", "spec.txt 2 1 2 ", false},
    {" (Recommend  0.200 or greater) \n", "spec.txt 2 1 1 0.05 ", false},
    {"\n\n Enter the number of trials. \n", "spec.txt 2 1 1 0.05 0.2 ", true},
    {"\n  3=metric:   m/sec^2, m/sec,  mm  \n", "spec.txt 2 1 1 0.05 0.2 3 ", true},
    {"\n\n Enter arbitrary integer (1 to 1000) \n", "spec.txt 2 1 1 0.05 0.2 3 1 ", true},
};

class BadAnswers : public ::testing::Test {
protected:
    void SetUp() override {
        dir = makeTempDir();
        writeFile(dir + "/spec.txt", "10 1\n2000 100\n");
    }
    void TearDown() override { removeTree(dir); }

    void expectRefusedAfter(const std::string& prompt, const std::string& answers) {
        const ProgramRun run = runInProcess(dir, answers, 1);
        EXPECT_EQ(run.exitStatus, 1) << answers;
        const std::string ending = prompt + invalidAnswer + exitPrompt;
        ASSERT_GE(run.console.size(), ending.size()) << answers;
        EXPECT_EQ(run.console.substr(run.console.size() - ending.size()), ending) << answers;
        EXPECT_FALSE(fileExists(dir + "/trials.out")) << answers;
    }
    std::string dir;
};

}  // namespace

TEST_F(BadAnswers, EveryQuestionRefusesMissingAndUnreadableAnswers) {
    const std::vector<std::string> badReal = {"", "abc", "1.5x", "nan", "-inf", "1e999", "-1e400", "0x1p99999"};
    const std::vector<std::string> badInteger = {"", "abc", "1.5", "1e3", "2147483648", "-2147483649",
                                                 "99999999999999999999", "0x10"};
    for (const Question& question : questions) {
        for (const std::string& token : question.integer ? badInteger : badReal) {
            expectRefusedAfter(question.prompt, question.answersSoFar + token);
        }
    }
    // No file name at all.
    expectRefusedAfter("\n\n Please enter the input filename. \n", " \n\t\n");
}

TEST_F(BadAnswers, IntegersAtTheEdgesOfTheirRangeAreAccepted) {
    // Octave choice -2147483648 means 1/3 octave; a skip count of -2147483648
    // skips nothing; units 2147483647 is asked again and then answered.
    const ProgramRun run = runInProcess(dir, "spec.txt 2 -2147483648 1 0.05 0.1 2147483647 2147483647 1 "
                                             "-2147483648\n",
                                        1);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.console.find("\n\n Error: duration is too short.\n\n" + exitPrompt), std::string::npos);
}

TEST_F(BadAnswers, TokensOfMegabytesAreRefusedWhole) {
    const std::string huge(4 << 20, '7');
    const ProgramRun run = runInProcess(dir, huge + " spec.txt 2\n", 1);
    EXPECT_EQ(run.exitStatus, 1);
    const std::string ending = " Please enter the input filename. \n\n\n Error: file name too long.\n\n" + exitPrompt;
    EXPECT_EQ(run.console.substr(run.console.size() - ending.size()), ending);

    // A number of megabytes is no answer either, and nothing after it is read.
    expectRefusedAfter("\n\n Please enter the ZPA. \n", "spec.txt " + huge + " 2 1 1 0.05 0.2 3 1 1\n");
}

TEST_F(BadAnswers, DurationBeyondAnyCountTakesTheReducedPathThenIsRefused) {
    // 24000 samples per second: 1e6 s is 2.4e10 samples, past the 32-bit range,
    // and 1e300 s far past it.
    for (const char* duration : {"1e6", "1e300"}) {
        const GuardedRun run = runGuarded(dir, std::string("spec.txt 2 1 1 0.05 ") + duration + " 3 1 1\n", 120);
        EXPECT_EQ(run.exitStatus, 1) << duration;
        EXPECT_EQ(run.errors, "") << duration;
        const std::string ending = "\n\n Enter arbitrary integer (1 to 1000) \n"
                                   "\n\n Warning: duration reduced. \n"
                                   "\n\n Error: too many samples.\n\n" +
                                   exitPrompt;
        EXPECT_EQ(run.console.substr(run.console.size() - ending.size()), ending) << duration;
        EXPECT_EQ(readFile(dir + "/trials.out"), "") << duration;
    }
}
