#include "ignore_command.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "inventory/machine_fixture.h"
#include "platform/posix/posix_installer_database.h"
#include "platform/posix/posix_registry.h"
#include "settings/ignore_marks.h"
#include "settings/registry_persistent_settings.h"
#include "support/temp_dir.h"

namespace lintrove::cli {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

// The identifiers of the programs below: Uninstall key, name and version run together.
const std::string kEditorOne = "EditorAEditor1.0";
const std::string kEditorTwo = "EditorBEditor2.0";
const std::string kTwoLines = "MultiTwo\nLines3";
const std::string kTool = "ToolTool5";
const std::string kGone = "GoneGone1";  // a program no longer installed

// A machine with two programs of one name, one whose name has a line break and one more, in a
// registry store of its own; lintrove-cli's ignore command runs on it in-process.
class IgnoreCommandTest : public ::testing::Test {
 protected:
  IgnoreCommandTest() : registry_(dir_.Path()), installer_(registry_) {
    AddUninstallEntry("EditorA", "Editor", "1.0");
    AddUninstallEntry("EditorB", "Editor", "2.0");
    AddUninstallEntry("Multi", "Two\nLines", "3");
    AddUninstallEntry("Tool", "Tool", "5");
  }

  struct Outcome {
    int status;
    std::string out, err;
  };

  Outcome Run(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    std::istringstream in;
    CommandContext context{registry_, out, err, in, false};
    const int status = RunIgnoreCommand(args, context, installer_);
    return {status, out.str(), err.str()};
  }

  void AddUninstallEntry(const std::string& key, const std::string& name,
                         const std::string& version) {
    test::WriteUninstallEntry(registry_, key, name, version);
  }

  void Mark(const std::string& identifier) { IgnoreMarks::SetIgnored(identifier, true, registry_); }

  std::set<std::string> StoredMarks() {
    const std::vector<std::string> identifiers = IgnoreMarks(registry_).Identifiers();
    return {identifiers.begin(), identifiers.end()};
  }

  test::TempDir dir_;
  platform::PosixRegistry registry_;
  platform::PosixInstallerDatabase installer_;
};

struct ChangeCase {
  const char* what;
  std::vector<std::string> marked_before;
  std::vector<std::string> args;
  int status;
  std::string out;
  std::string err;  // a part of the error output; empty: none
  std::set<std::string> marked_after;
};

TEST_F(IgnoreCommandTest, AddAndRemoveChangeTheMarksTheProgramListReads) {
  const std::vector<ChangeCase> cases = {
      {"a name marks every program of that name",
       {},
       {"add", "Editor"},
       0,
       kEditorOne + "\tEditor\n" + kEditorTwo + "\tEditor\n",
       "",
       {kEditorOne, kEditorTwo}},
      {"a name already partly marked",
       {kEditorOne},
       {"add", "Editor"},
       0,
       kEditorOne + "\tEditor\n" + kEditorTwo + "\tEditor\n",
       "",
       {kEditorOne, kEditorTwo}},
      {"a name with a line break",
       {},
       {"add", "Two\nLines"},
       0,
       "MultiTwo Lines3\tTwo Lines\n",
       "",
       {kTwoLines}},
      {"an identifier when no program has that name",
       {},
       {"add", kTool},
       0,
       kTool + "\tTool\n",
       "",
       {kTool}},
      {"a name that is only part of one",
       {},
       {"add", "Edit"},
       1,
       "",
       "no installed program has the name or identifier 'Edit'",
       {}},
      {"the identifier of a program no longer installed",
       {},
       {"add", kGone},
       1,
       "",
       "no installed program has the name or identifier 'GoneGone1'",
       {}},
      {"remove by name takes only the marked programs of that name",
       {kEditorTwo, kTool},
       {"remove", "Editor"},
       0,
       kEditorTwo + "\tEditor\n",
       "",
       {kTool}},
      {"remove a name with a line break",
       {kTwoLines, kTool},
       {"remove", "Two\nLines"},
       0,
       "MultiTwo Lines3\tTwo Lines\n",
       "",
       {kTool}},
      {"remove the mark of a program no longer installed",
       {kGone, kTool},
       {"remove", kGone},
       0,
       kGone + "\t\n",
       "",
       {kTool}},
      {"remove by identifier",
       {kEditorOne, kEditorTwo},
       {"remove", kEditorOne},
       0,
       kEditorOne + "\tEditor\n",
       "",
       {kEditorTwo}},
      {"remove what is not marked",
       {kEditorOne},
       {"remove", "Tool"},
       1,
       "",
       "'Tool' is neither the name of an ignored program nor a stored mark",
       {kEditorOne}},
      {"remove a name of which nothing is marked",
       {kTool},
       {"remove", "Editor"},
       1,
       "",
       "'Editor' is neither",
       {kTool}},
      {"add without an argument", {}, {"add"}, 1, "", "add takes one name or identifier", {}},
      {"remove with two arguments",
       {kTool},
       {"remove", "Tool", "Editor"},
       1,
       "",
       "remove takes one name or identifier",
       {kTool}},
      {"an unknown action", {kTool}, {"drop", "Tool"}, 1, "", "unknown action 'drop'", {kTool}},
      {"no action", {}, {}, 1, "", "missing action", {}},
  };
  const std::vector<std::string> everyIdentifier = {kEditorOne, kEditorTwo, kTwoLines, kTool,
                                                    kGone};
  for (const ChangeCase& c : cases) {
    SCOPED_TRACE(c.what);
    for (const std::string& identifier : everyIdentifier) {
      IgnoreMarks::SetIgnored(identifier, false, registry_);
    }
    for (const std::string& identifier : c.marked_before) Mark(identifier);

    const Outcome outcome = Run(c.args);
    EXPECT_EQ(outcome.status, c.status);
    EXPECT_EQ(outcome.out, c.out);
    if (c.err.empty()) {
      EXPECT_THAT(outcome.err, IsEmpty());
    } else {
      EXPECT_THAT(outcome.err, HasSubstr(c.err));
    }
    EXPECT_EQ(StoredMarks(), c.marked_after);
    const IgnoreMarks marks(registry_);
    for (const std::string& identifier : everyIdentifier) {
      EXPECT_EQ(marks.IsIgnored(identifier), c.marked_after.contains(identifier)) << identifier;
    }
  }
}

TEST_F(IgnoreCommandTest, ListShowsEveryMarkSortedByIdentifierWithTheInstalledName) {
  EXPECT_EQ(Run({"list"}).out, "");
  EXPECT_EQ(Run({"list", "--json"}).out, "[]\n");

  for (const std::string& identifier : {kTool, std::string("alpha"), kTwoLines, kGone}) {
    Mark(identifier);
  }
  // A value of any type marks its program.
  platform::Registry registry(platform::RootKey::CurrentUser, platform::RegistryView::Default,
                              registry_);
  ASSERT_TRUE(registry.OpenKey(IgnoreKey, true));
  registry.WriteString(kEditorTwo, "yes");
  registry.CloseKey();

  const Outcome text = Run({"list"});
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out, kEditorTwo + "\tEditor\n" + kGone + "\t\n" + "MultiTwo Lines3\tTwo Lines\n" +
                          kTool + "\tTool\nalpha\t\n")
      << "byte order: capitals before small letters";

  const Outcome json = Run({"list", "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  const auto elements = nlohmann::json::parse(json.out);
  ASSERT_EQ(elements.size(), 5u);
  EXPECT_EQ(elements[2]["identifier"], kTwoLines) << "JSON keeps the line break";
  EXPECT_EQ(elements[2]["name"], "Two\nLines");
  EXPECT_EQ(elements[1]["identifier"], kGone);
  EXPECT_EQ(elements[1]["name"], "");

  const Outcome wrong = Run({"list", "--all"});
  EXPECT_EQ(wrong.status, 1);
  EXPECT_THAT(wrong.err, HasSubstr("unknown argument '--all'"));
  EXPECT_THAT(wrong.err, HasSubstr("Usage: lintrove-cli ignore"));
}

TEST_F(IgnoreCommandTest, HelpPrintsTheUsageAndChangesNothing) {
  const Outcome outcome = Run({"--help"});
  EXPECT_EQ(outcome.status, 0);
  EXPECT_THAT(outcome.out, HasSubstr("Usage: lintrove-cli ignore list"));
  EXPECT_THAT(StoredMarks(), IsEmpty());
}

}  // namespace
}  // namespace lintrove::cli
