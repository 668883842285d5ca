// Snapshot names made of the local date and time.

#include <gtest/gtest.h>

#include <set>

#include "SnapshotName.h"

namespace {

const QDateTime kChristmasAfternoon(QDate(2026, 12, 25), QTime(14, 3, 7));

TEST(SnapshotNameTest, EveryCharacterThatIsNotADigitBecomesAnUnderscore) {
  const auto none = [](const QString&) { return false; };
  EXPECT_EQ(SnapshotFileName(kChristmasAfternoon, "dd.MM.yyyy HH:mm:ss", none),
            "25_12_2026_14_03_07.jpg");
  EXPECT_EQ(SnapshotFileName(kChristmasAfternoon, "M/d/yyyy h:mm:ss AP", none),
            "12_25_2026_2_03_07___.jpg");
}

TEST(SnapshotNameTest, ATakenNameGetsTheNextFreeNumber) {
  std::set<QString> taken = {"25_12_2026_14_03_07.jpg", "25_12_2026_14_03_07_2.jpg"};
  const auto exists = [&](const QString& name) { return taken.count(name) > 0; };
  const QString name = SnapshotFileName(kChristmasAfternoon, "dd.MM.yyyy HH:mm:ss", exists);
  EXPECT_EQ(name, "25_12_2026_14_03_07_3.jpg");
}

TEST(SnapshotNameTest, TheSystemFormatPutsOnlyNumbersIntoTheName) {
  const QString name = SnapshotFileName(kChristmasAfternoon, SystemDateTimeFormat(),
                                        [](const QString&) { return false; });
  EXPECT_TRUE(name.contains("25")) << name.toStdString();
  EXPECT_TRUE(name.contains("12")) << name.toStdString();
  EXPECT_TRUE(name.contains("03_07")) << name.toStdString();
  EXPECT_TRUE(name.endsWith(".jpg"));
}

}  // namespace
