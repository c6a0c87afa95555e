#include "radio/edit_history.h"

#include <gtest/gtest.h>

#include "radio/function_page.h"
#include "radio/image_map.h"
#include "settings/app_files.h"
#include "tests/unit/test_support.h"

namespace {

class EditHistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::NewDocument(doc, prompter);
    history.Reset(doc);
  }
  // One user action: a frequency typed into a channel.
  CTavroPgmDoc::State Type(int channel, const char* frequency) {
    doc.SetChannelFrequency(channel, true, frequency, prompter);
    history.Record(doc);
    return doc.CurrentState();
  }

  test::ProgramDir dir;
  AppFiles files = dir.Files();
  test::ScriptedPrompter prompter;
  CTavroPgmDoc doc{files};
  EditHistory history;
};

TEST_F(EditHistoryTest, UndoAndRedoWalkTheStepsAndTheSavedStateIsUnmodified) {
  const CTavroPgmDoc::State fresh = doc.CurrentState();
  EXPECT_FALSE(history.Record(doc));  // nothing changed: no step
  const CTavroPgmDoc::State first = Type(1, "440.125000");
  const CTavroPgmDoc::State second = Type(2, "441.125000");
  EXPECT_TRUE(history.CanUndo());
  EXPECT_FALSE(history.CanRedo());

  ASSERT_TRUE(history.Undo(doc));
  EXPECT_TRUE(doc.HasState(first));
  EXPECT_TRUE(doc.IsModified());
  ASSERT_TRUE(history.Undo(doc));
  EXPECT_TRUE(doc.HasState(fresh));
  EXPECT_FALSE(doc.IsModified());  // the new document as it started
  EXPECT_FALSE(history.Undo(doc));
  ASSERT_TRUE(history.Redo(doc));
  ASSERT_TRUE(history.Redo(doc));
  EXPECT_TRUE(doc.HasState(second));
  EXPECT_FALSE(history.Redo(doc));

  // Saved after the first step: that state is the unmodified one from now on.
  history.Undo(doc);
  history.MarkSaved(doc);
  history.Redo(doc);
  EXPECT_TRUE(doc.IsModified());
  history.Undo(doc);
  EXPECT_FALSE(doc.IsModified());
  history.Undo(doc);
  EXPECT_TRUE(doc.IsModified());
}

TEST_F(EditHistoryTest, ANewStepDropsWhatCouldBeRedone) {
  Type(1, "440.125000");
  Type(2, "441.125000");
  history.Undo(doc);
  Type(3, "442.125000");
  EXPECT_FALSE(history.CanRedo());
  history.Undo(doc);
  EXPECT_TRUE(doc.IsChannelUsed(1));
  EXPECT_FALSE(doc.IsChannelUsed(2));
  EXPECT_FALSE(doc.IsChannelUsed(3));
}

TEST_F(EditHistoryTest, AModelChangeIsUndoneWithItsBandAndModel) {
  Type(1, "440.125000");
  const CTavroPgmDoc::State before = doc.CurrentState();
  doc.DeleteContents();
  doc.ApplyModel(0);
  history.Record(doc);
  ASSERT_NE(doc.ModelIndex(), before.modelIndex);
  history.Undo(doc);
  EXPECT_EQ(doc.ModelIndex(), before.modelIndex);
  EXPECT_EQ(doc.BandUpperEdge(), before.bandUpper);
  EXPECT_TRUE(doc.HasState(before));
}

TEST_F(EditHistoryTest, TheDepthLimitDropsTheOldestStepsAndAdoptKeepsTheSavedMark) {
  EditHistory shallow(2);
  shallow.Reset(doc);
  for (const char* frequency : {"440.125000", "441.125000", "442.125000"}) {
    doc.SetChannelFrequency(1, true, frequency, prompter);
    shallow.Record(doc);
  }
  EXPECT_TRUE(shallow.Undo(doc));
  EXPECT_TRUE(shallow.Undo(doc));
  EXPECT_FALSE(shallow.Undo(doc));
  EXPECT_EQ(doc.ChannelFrequencyText(1, true), "440.125000");

  // Loading the pages may normalise a byte of the state reached: no new step, and a saved
  // state stays saved.
  shallow.MarkSaved(doc);
  doc.At(image::kMessage + image::kMessageSize - 1) ^= 1;
  shallow.Adopt(doc);
  EXPECT_FALSE(shallow.Record(doc));
  shallow.Redo(doc);
  shallow.Undo(doc);
  EXPECT_FALSE(doc.IsModified());
}

TEST_F(EditHistoryTest, AStepIsNamedByItsFirstChangedControl) {
  const CTavroPgmDoc::State fresh = doc.CurrentState();
  doc.SetChannelTone(1, true, "88.5");  // a free channel shows no tone: only raw bytes change
  doc.SetChannelFrequency(3, true, "440.125000", prompter);
  const std::vector<std::string> keys = edit_history::ChangedKeys(files, fresh, doc.CurrentState(), {});
  ASSERT_FALSE(keys.empty());
  EXPECT_EQ(keys.front(), "150.3.1");
  const std::string name = edit_history::StepName(files.Texts(), keys);
  EXPECT_EQ(name, "CH 3 / RX Freq [MHz] (and " + std::to_string(keys.size() - 1) + " more)");
  EXPECT_EQ(edit_history::StepName(files.Texts(), {"150.3.1"}), "CH 3 / RX Freq [MHz]");
  EXPECT_EQ(edit_history::StepName(files.Texts(), {}), "");

  // A value of the calibration table is named as the table names it.
  const CTavroPgmDoc::State before = doc.CurrentState();
  doc.At(image::calibration::kVoltage) = 118;
  const std::vector<std::string> calibration = edit_history::ChangedKeys(files, before, doc.CurrentState(), {});
  EXPECT_EQ(edit_history::StepName(files.Texts(), calibration), "Voltage");
}

}  // namespace
