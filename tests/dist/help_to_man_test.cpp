// The manual pages are made from the programs' --help texts: every shape
// those texts use turns into the right man(7) markup.
#include "help_to_man.h"

#include <gtest/gtest.h>

using namespace kalo;

namespace {

ManPageInfo info() {
    ManPageInfo i;
    i.name = QStringLiteral("tool");
    i.summary = QStringLiteral("does things");
    i.date = QStringLiteral("2026-01-02");
    i.source = QStringLiteral("Kalotalk 9.8.7");
    i.seeAlso = QStringList{"kalotalk(1)", "kalotalk-say(1)"};
    return i;
}

// The section's markup: from its .SH line to the next one.
QString section(const QString& page, const QString& title) {
    const qsizetype at = page.indexOf(QStringLiteral(".SH \"%1\"\n").arg(title));
    if (at < 0)
        return {};
    const qsizetype next = page.indexOf(QStringLiteral("\n.SH "), at + 1);
    return page.mid(at, next < 0 ? -1 : next + 1 - at);
}

TEST(HelpToMan, HeaderNameAndSeeAlso) {
    const QString page = HelpToMan(QStringLiteral("Usage: tool\n"), info());
    EXPECT_TRUE(
        page.contains(".TH \"TOOL\" \"1\" \"2026-01-02\" \"Kalotalk 9.8.7\" \"User Commands\"\n"));
    EXPECT_TRUE(page.contains(".SH NAME\ntool \\- does things\n"));
    EXPECT_TRUE(page.endsWith(".SH \"SEE ALSO\"\n\\fBkalotalk\\fR(1),\n\\fBkalotalk-say\\fR(1)\n"));
}

TEST(HelpToMan, SynopsisFormsAndTheirContinuations) {
    const QString page = HelpToMan(QStringLiteral("Usage: tool --list\n"
                                                  "       tool [-a A] [-b B]\n"
                                                  "            [-c C | TEXT...]\n"
                                                  "\n"
                                                  "Does things.\n"),
                                   info());
    EXPECT_EQ(section(page, "SYNOPSIS"), ".SH \"SYNOPSIS\"\n"
                                         "\\fBtool\\fR \\-\\-list\n.br\n"
                                         "\\fBtool\\fR [\\-a A] [\\-b B] [\\-c C | TEXT...]\n");
    EXPECT_EQ(section(page, "DESCRIPTION"), ".SH \"DESCRIPTION\"\n.PP\nDoes things.\n");
}

TEST(HelpToMan, EntriesBeforeAnyHeadingAreTheOptions) {
    const QString page = HelpToMan(QStringLiteral("Usage: tool [-v VOICE]\n"
                                                  "\n"
                                                  "Speaks the text,\n"
                                                  "slowly.\n"
                                                  "\n"
                                                  "  -v VOICE     a voice's name, or a part of a\n"
                                                  "               name\n"
                                                  "  -h, --help   show this text\n"
                                                  "  FILE...      files to read\n"),
                                   info());
    EXPECT_EQ(section(page, "DESCRIPTION"), ".SH \"DESCRIPTION\"\n.PP\nSpeaks the text, slowly.\n");
    EXPECT_EQ(section(page, "OPTIONS"), ".SH \"OPTIONS\"\n"
                                        ".TP\n\\fB\\-v\\fR \\fIVOICE\\fR\n"
                                        "a voice's name, or a part of a name\n"
                                        ".TP\n\\fB\\-h\\fR, \\fB\\-\\-help\\fR\nshow this text\n"
                                        ".TP\n\\fIFILE\\fR...\nfiles to read\n");
}

TEST(HelpToMan, HeadingsTermsAloneProseAndExamples) {
    const QString page = HelpToMan(QStringLiteral("Usage: tool play FILE\n"
                                                  "\n"
                                                  "Commands:\n"
                                                  "  play FILE [ANIMATION]\n"
                                                  "      Plays it. Half-written files\n"
                                                  "      are never left.\n"
                                                  "\n"
                                                  "Exit status:\n"
                                                  "  0  done\n"
                                                  "  2  a wrong command line\n"
                                                  "Ends here.\n"
                                                  "\n"
                                                  "Examples:\n"
                                                  "  tool play james.acs\n"
                                                  "  .hidden \\ name\n"),
                                   info());
    EXPECT_EQ(section(page, "COMMANDS"),
              ".SH \"COMMANDS\"\n.TP\n\\fBplay\\fR \\fIFILE\\fR [\\fIANIMATION\\fR]\n"
              "Plays it. Half-written files are never left.\n");
    EXPECT_EQ(section(page, "EXIT STATUS"), ".SH \"EXIT STATUS\"\n"
                                            ".TP\n\\fB0\\fR\ndone\n"
                                            ".TP\n\\fB2\\fR\na wrong command line\n"
                                            ".PP\nEnds here.\n");
    // Example lines are kept as they are; a leading dot and a backslash are
    // escaped so roff does not take them for requests.
    EXPECT_EQ(section(page, "EXAMPLES"), ".SH \"EXAMPLES\"\n.PP\n.RS 4\n.nf\n"
                                         "tool play james.acs\n\\&.hidden \\e name\n.fi\n.RE\n");
    EXPECT_TRUE(section(page, "OPTIONS").isEmpty());
}

} // namespace
