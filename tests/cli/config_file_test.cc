// Job files (--config): one option a line, in the order written.

#include "app/cli/config_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cli {
namespace {

using Arguments = std::vector<std::string>;

TEST(JobFileTest, EachLineIsAnOptionWithItsValueWholeAndInOrder) {
  const JobFileArguments job = ParseJobFile(
      "# the medium\n"
      "dest = /media/me/backup\n"
      "\n"
      "  source=~/My Documents  \r\n"
      "compare = none\n"
      "source = /srv/a=b\n"
      "incremental\n"
      "source = ~user/x\n",
      "/home/me");
  EXPECT_EQ(job.error, "");
  EXPECT_EQ(job.arguments, (Arguments{"--dest", "/media/me/backup", "--source",
                                      "/home/me/My Documents", "--compare", "none", "--source",
                                      "/srv/a=b", "--incremental", "--source", "~user/x"}));
  EXPECT_EQ(ParseJobFile("source = ~/docs", "").arguments, (Arguments{"--source", "~/docs"}));
  EXPECT_EQ(ParseJobFile("", "/h").arguments, Arguments{});
}

TEST(JobFileTest, ALineThatIsNoOptionIsNamedByItsNumber) {
  for (const char* text :
       {"dest = /m\n--source = /s\n", "dest = /m\n= /s\n", "dest = /m\ndry run\n"}) {
    const JobFileArguments job = ParseJobFile(text, "/h");
    EXPECT_EQ(job.error, "line 2 is not \"option = value\" or \"option\"") << text;
  }
}

}  // namespace
}  // namespace cli
