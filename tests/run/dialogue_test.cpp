// Drives the real executable through its dialogue and compares the console
// transcript byte for byte: from an answers file, and typed at a terminal.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run_program.h"
#include "terminal_session.h"

namespace {

const std::string banner =
    "\n\n kolvane_ZPA,  ver 1.0, September 20, 2005 \n\n by the kolvane_ZPA developers \n"
    "\n This program synthesizes a time history using wavelets to satisfy "
    "\n a shock response spectrum (SRS) specification. \n"
    "\n The program also optimizes the time history to yield the lowest overall \n error, acceleration, velocity, and "
    "displacement. \n"
    "\n The optimization is performed via trial-and-error.\n";
const std::string fileQuestion =
    "\n\n\n The input SRS specification file must have two columns: \n\n   natural frequency(Hz) and SRS accel(G) "
    "\n\n The format is free, but no header lines allowed.\n\n\n Please enter the input filename. \n";
const std::string zpaQuestion = "\n\n Please enter the ZPA. \n";
const std::string octaveQuestion = "\n\n Enter octave spacing. \n 1= 1/3   2= 1/6   3= 1/12 \n";
const std::string dampingQuestion = "\n Enter damping format for SRS. \n 1= damping ratio   2= Q \n";
const std::string ratioQuestion = "\n Enter SRS damping ratio (typically 0.05) ";
const std::string qQuestion = "\n Enter SRS amplification factor Q (typically 10) ";
const std::string durationQuestion = "\n\n Enter duration (sec) \n (Recommend  0.200 or greater) \n";
const std::string trialsQuestion = "\n\n Enter the number of trials. \n";
const std::string unitsQuestion =
    "\n\n Enter units \n  1=English:  G,       in/sec, in   \n  2=metric:   G,       m/sec,  mm   "
    "\n  3=metric:   m/sec^2, m/sec,  mm  \n";
const std::string skipQuestion = "\n\n Enter arbitrary integer (1 to 1000) \n";
const std::string exitPrompt = "\n\n Press any key to exit.\n";
const std::string invalidAnswer = "\n\n Error: invalid or missing answer.\n\n";

// Everything up to and including the duration question, for spec.txt.
std::string throughDuration(const std::string& damping) {
    return banner + fileQuestion + " File: spec.txt opened. \n" + zpaQuestion + octaveQuestion + dampingQuestion +
           damping + durationQuestion;
}

class Dialogue : public ::testing::Test {
protected:
    void SetUp() override {
        dir = makeTempDir();
        writeFile(dir + "/spec.txt", "10 1\n2000 100\n");
    }
    void TearDown() override { removeTree(dir); }
    std::string dir;
};

}  // namespace

TEST_F(Dialogue, CompleteRunAsksEveryQuestionInOrder) {
    writeFile(dir + "/spec.txt", "10 1\n100 10\n");
    const ProgramRun run = runKolvane(dir, "spec.txt 2.0 1 1 0.05 0.2 1 1 1\n");
    EXPECT_EQ(run.exitStatus, 0);
    const std::string expected = throughDuration(ratioQuestion) + trialsQuestion + unitsQuestion + skipQuestion +
                                 "\n           Peak        Peak         Peak         ";
    EXPECT_EQ(run.console.substr(0, expected.size()), expected);
    EXPECT_EQ(run.console.substr(run.console.size() - exitPrompt.size()), exitPrompt);
}

TEST_F(Dialogue, UnitsQuestionRepeatsUntilOneTwoOrThree) {
    const ProgramRun run = runKolvane(dir, "spec.txt 2.0 1 2 10 0.1 5 4 0 3 1\n");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.console, throughDuration(qQuestion) + trialsQuestion + unitsQuestion + unitsQuestion +
                               unitsQuestion + skipQuestion + "\n\n Error: duration is too short.\n\n" + exitPrompt);
}

TEST_F(Dialogue, DampingOfOneEndsAtOnceWithoutExitPrompt) {
    const std::string error = "\n Error:  damping value must be < 1 \n";
    const std::string head = banner + fileQuestion + " File: spec.txt opened. \n" + zpaQuestion + octaveQuestion +
                             dampingQuestion;
    ProgramRun run = runKolvane(dir, "spec.txt 2.0 1 1 1.0 0.2 1 1 1\n");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.console, head + ratioQuestion + error);
    // Q = 0.5 gives a ratio of exactly 1; format 3 asks for Q like 2 does.
    run = runKolvane(dir, "spec.txt 2.0 1 3 0.5\n");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.console, head + qQuestion + error);
    EXPECT_FALSE(fileExists(dir + "/trials.out"));
}

TEST_F(Dialogue, DurationCheckAtOneAndAHalfPeriodsOfLowestFrequency) {
    ProgramRun run = runKolvane(dir, "spec.txt 2.0 1 1 0.05 0.1499999 1 1 1\n");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.console, throughDuration(ratioQuestion) + trialsQuestion + unitsQuestion + skipQuestion +
                               "\n\n Error: duration is too short.\n\n" + exitPrompt);
    EXPECT_FALSE(fileExists(dir + "/trials.out"));

    // Exactly 1.5 / 10 Hz passes and reaches the trial run.
    writeFile(dir + "/spec.txt", "10 1\n100 10\n");
    run = runKolvane(dir, "spec.txt 2.0 1 1 0.05 0.15 1 1 1\n");
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_NE(run.console.find(" Trial     Accel"), std::string::npos);
}

TEST_F(Dialogue, UnreadableSpecificationsGoToTheExitPrompt) {
    ProgramRun run = runKolvane(dir, "missing.txt\n");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.console, banner + fileQuestion + " Failed to open file: missing.txt \n" + exitPrompt);

    writeFile(dir + "/header.txt", "Frequency(Hz) Accel(G)\n10 1\n2000 100\n");
    run = runKolvane(dir, "header.txt\n");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.console, banner + fileQuestion + " File: header.txt opened. \n" +
                               "\n\n Error: no specification points read.\n\n" + exitPrompt);

    std::string many;
    for (int i = 1; i <= 201; ++i) many += std::to_string(i * 10) + " 1\n";
    writeFile(dir + "/many.txt", many);
    run = runKolvane(dir, "many.txt\n");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.console, banner + fileQuestion + " File: many.txt opened. \n" +
                               "\n\n Error: more than 200 specification points.\n\n" + exitPrompt);

    run = runKolvane(dir, std::string(260, 'a') + "\n");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.console, banner + fileQuestion + "\n\n Error: file name too long.\n\n" + exitPrompt);
}

TEST_F(Dialogue, MissingOrUnreadableAnswersEndTheRun) {
    // End of input in the middle of the dialogue.
    ProgramRun run = runKolvane(dir, "spec.txt 2.0\n");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.console, banner + fileQuestion + " File: spec.txt opened. \n" + zpaQuestion + octaveQuestion +
                               invalidAnswer + exitPrompt);

    // Not a number, not finite, not a 32-bit integer.
    for (const char* answers : {"spec.txt twelve\n", "spec.txt 250G 2\n", "spec.txt nan\n", "spec.txt inf\n",
                                "spec.txt 1e999\n"}) {
        run = runKolvane(dir, answers);
        EXPECT_EQ(run.exitStatus, 1) << answers;
        EXPECT_EQ(run.console, banner + fileQuestion + " File: spec.txt opened. \n" + zpaQuestion + invalidAnswer +
                                   exitPrompt)
            << answers;
    }
    run = runKolvane(dir, "spec.txt 2.0 2147483648\n");
    EXPECT_EQ(run.console, banner + fileQuestion + " File: spec.txt opened. \n" + zpaQuestion + octaveQuestion +
                               invalidAnswer + exitPrompt);

    // The units question does not loop forever on a closed input.
    run = runKolvane(dir, "spec.txt 2.0 1 1 0.05 0.2 1 7 7");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.console, throughDuration(ratioQuestion) + trialsQuestion + unitsQuestion + unitsQuestion +
                               unitsQuestion + invalidAnswer + exitPrompt);
}

TEST_F(Dialogue, AtATerminalAnUnreadableAnswerIsNamedAndAskedAgain) {
    TerminalSession session = startOnTerminal(dir);
    ASSERT_GT(session.pid, 0) << "no pseudo-terminal";
    const std::string fileName = "\n\n Please enter the input filename. \n";
    ASSERT_TRUE(waitForEnding(session, fileQuestion, 60)) << session.transcript;
    const std::string tooLong = " Expected a file name of at most 259 characters \n";
    typeKeys(session, std::string(260, 'a') + "\n");
    ASSERT_TRUE(waitForEnding(session, tooLong + fileName, 60)) << session.transcript;
    // A file that cannot be opened, with the rest of its line dropped.
    typeKeys(session, "spec.tx 2\n");
    ASSERT_TRUE(waitForEnding(session, " Failed to open file: spec.tx \n" + fileName, 60)) << session.transcript;
    typeKeys(session, "spec.txt\n");
    ASSERT_TRUE(waitForEnding(session, zpaQuestion, 60)) << session.transcript;
    typeKeys(session, "250G 1\n");
    ASSERT_TRUE(waitForEnding(session, " Expected a number, e.g. 250 \n" + zpaQuestion, 60)) << session.transcript;
    // One line, one answer: "25 G" does not spill its G onto the next question.
    typeKeys(session, "25 G\n");
    const std::string oneAnswer = " Expected one answer on the line, a number, e.g. 250 (the line went on with \"G\") \n";
    ASSERT_TRUE(waitForEnding(session, oneAnswer + zpaQuestion, 60)) << session.transcript;
    typeKeys(session, "250\n");
    ASSERT_TRUE(waitForEnding(session, octaveQuestion, 60)) << session.transcript;
    typeKeys(session, "1.5\n");
    ASSERT_TRUE(waitForEnding(session, " Expected 1, 2 or 3 \n" + octaveQuestion, 60)) << session.transcript;
    for (const char* answer : {"1", "1", "0.05", "0.2"}) typeKeys(session, std::string(answer) + "\n");
    ASSERT_TRUE(waitForEnding(session, trialsQuestion, 60)) << session.transcript;
    // Ctrl-D ends the run as from a file, at the exit prompt, which waits for
    // a key.
    typeKeys(session, "\x04");
    ASSERT_TRUE(waitForEnding(session, invalidAnswer + exitPrompt, 60)) << session.transcript;
    EXPECT_TRUE(stillRunning(session));
    typeKeys(session, "k");
    EXPECT_EQ(finishSession(session, 60), 1);
    EXPECT_EQ(session.transcript, banner + fileQuestion + tooLong + fileName + " Failed to open file: spec.tx \n" +
                                      fileName + " File: spec.txt opened. \n" + zpaQuestion +
                                      " Expected a number, e.g. 250 \n" + zpaQuestion + oneAnswer + zpaQuestion +
                                      octaveQuestion +
                                      " Expected 1, 2 or 3 \n" + octaveQuestion + dampingQuestion + ratioQuestion +
                                      durationQuestion + trialsQuestion + invalidAnswer + exitPrompt);
}

// At a terminal an answer out of its question's range is named with what is
// allowed and the question asked again: each row types a wrong answer and
// then the right one. A file name may hold blanks, and a file that gives no
// points says why and asks again.
TEST_F(Dialogue, AtATerminalRangeErrorsAreAskedAgainAtTheirOwnQuestion) {
    writeFile(dir + "/my spec.srs", "10 1\n2000 100\n");
    writeFile(dir + "/heading.srs", "Frequency Level\n10 1\n2000 100\n");
    writeFile(dir + "/sheet.srs", "\xEF\xBB\xBF" "10,1\n2000,100\n");
    const std::string fileName = "\n\n Please enter the input filename. \n";
    const std::string durationRange =
        " Expected a duration from 0.15 to 6.25 seconds (1.5 periods of 10 Hz to 149999 samples) \n";
    struct Step {
        const char* typed;
        std::string expected;  // what the transcript then ends with
    };
    const auto session = [&](const std::vector<Step>& steps) {
        TerminalSession terminal = startOnTerminal(dir);
        ASSERT_GT(terminal.pid, 0) << "no pseudo-terminal";
        ASSERT_TRUE(waitForEnding(terminal, fileQuestion, 60)) << terminal.transcript;
        for (const Step& step : steps) {
            typeKeys(terminal, std::string(step.typed) + "\n");
            ASSERT_TRUE(waitForEnding(terminal, step.expected, 60)) << step.typed << "\n" << terminal.transcript;
        }
        typeKeys(terminal, "\x04");
        ASSERT_TRUE(waitForEnding(terminal, invalidAnswer + exitPrompt, 60)) << terminal.transcript;
        typeKeys(terminal, "k");
        EXPECT_EQ(finishSession(terminal, 60), 1);
    };
    session({
        {"heading.srs", " File: heading.srs opened. \n The file gives no points: its first word, \"Frequency\", is not a "
                        "number (no header lines allowed) \n" + fileName},
        {"sheet.srs", " File: sheet.srs opened. \n The file gives no points: it starts with a byte-order mark (a "
                      "spreadsheet's UTF-8 text); save it as plain text \n" + fileName},
        {"my spec.srs", " File: my spec.srs opened. \n" + zpaQuestion},
        {"0", " Expected a ZPA from 0.0001 to 1e300, e.g. 250 \n" + zpaQuestion},
        {"-250", " Expected a ZPA from 0.0001 to 1e300, e.g. 250 \n" + zpaQuestion},
        {"1e-300", " Expected a ZPA from 0.0001 to 1e300, e.g. 250 \n" + zpaQuestion},
        {"2", octaveQuestion},
        {"6", " Expected 1, 2 or 3 \n" + octaveQuestion},
        {"1", dampingQuestion},
        {"3", " Expected 1 or 2 \n" + dampingQuestion},
        {"1", ratioQuestion},
        {"1", " Expected a damping ratio from 0 to below 1, e.g. 0.05 \n" + ratioQuestion},
        {"-0.05", " Expected a damping ratio from 0 to below 1, e.g. 0.05 \n" + ratioQuestion},
        {"0.05", durationQuestion},
        {"0.149", durationRange + durationQuestion},
        {"7", durationRange + durationQuestion},
        {"0.2", trialsQuestion},
        {"0", " Expected a whole number from 1 to 8000 \n" + trialsQuestion},
        {"10000", " Expected a whole number from 1 to 8000 \n" + trialsQuestion},
        {"3", unitsQuestion},
    });
    // A table the program would read only in part is asked for again.
    writeFile(dir + "/typo.srs", "10 1\n1000 100\n2000 7S\n");
    session({
        {"typo.srs", " File: typo.srs opened. \n Warning: reading stopped at line 3 on \"S\", which is not a number "
                     "(points read: 3). \n The file's table is read only in part: correct it, or give another file \n" +
                         fileName},
        {"spec.txt 2", " Expected one file name on the line (the line went on with \"2\") \n" + fileName},
        {"spec.txt", zpaQuestion},
        {"2", octaveQuestion},
        {"1", dampingQuestion},
        {"2", qQuestion},
        {"0.5", " Expected a Q above 0.5, e.g. 10 \n" + qQuestion},
        {"-10", " Expected a Q above 0.5, e.g. 10 \n" + qQuestion},
        {"10", durationQuestion},
    });
}

TEST_F(Dialogue, HelpIsTheOnlyArgument) {
    for (const char* help : {"-h", "--help"}) {
        const ProgramRun run = runKolvane(dir, "", {help});
        EXPECT_EQ(run.exitStatus, 0) << help;
        EXPECT_EQ(run.console.rfind("Usage: kolvane_zpa", 0), 0u) << run.console;
        EXPECT_NE(run.console.find("kolvane_zpa < ANSWERS"), std::string::npos);
    }
    const ProgramRun refused = runKolvane(dir, "spec.txt 2.0 1 1 0.05 0.2 1 1 1\n", {"spec.txt"});
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_EQ(refused.console.rfind("kolvane_zpa: takes no arguments (got \"spec.txt\")\n\nUsage:", 0), 0u)
        << refused.console;
    EXPECT_FALSE(fileExists(dir + "/trials.out")) << "the dialogue does not start";
}

TEST_F(Dialogue, NoKeyIsAwaitedWhenTheConsoleTextGoesToAFile) {
    // As `kolvane_zpa < answers > log` typed at a terminal: the terminal is
    // there, but nobody sees the exit prompt.
    writeFile(dir + "/answers", "spec.txt 2.0 1 1 0.05 0.1 1 1 1\n");
    TerminalSession session = startOnTerminal(dir, {dir + "/answers", dir + "/log"});
    ASSERT_GT(session.pid, 0) << "no pseudo-terminal";
    EXPECT_EQ(finishSession(session, 60), 1);
    EXPECT_EQ(session.transcript, "");
    EXPECT_EQ(readFile(dir + "/log"), throughDuration(ratioQuestion) + trialsQuestion + unitsQuestion + skipQuestion +
                                          "\n\n Error: duration is too short.\n\n" + exitPrompt);
}
