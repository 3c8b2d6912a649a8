// Runs the whole program (over a fake network) as a subprocess.
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

namespace {

struct Outcome {
  QProcess::ExitStatus status;
  int code;
  QByteArray errors;
};

// Waits as long as it takes: a hang is caught by the test's time-out.
Outcome RunFakeApp(const QProcessEnvironment& environment, const QStringList& arguments = {}) {
  QProcess app;
  app.setProcessEnvironment(environment);
  app.start(QStringLiteral(VELDARO_FAKE_NETWORK_APP), arguments);
  EXPECT_TRUE(app.waitForStarted(-1));
  EXPECT_TRUE(app.waitForFinished(-1));
  return {app.exitStatus(), app.exitCode(), app.readAllStandardError()};
}

TEST(ClosingDuringScansTest, ClosingWithTwentyScansMidWayEndsAtOnceWithCodeZero) {
  // Earlier hand-overs crashed or hung here in a fraction of runs only, so
  // the program is run several times.
  constexpr int kRuns = 5;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  environment.insert(QStringLiteral("VELDARO_FAKE_SCANS"), QStringLiteral("20"));
  for (int run = 0; run < kRuns; ++run) {
    SCOPED_TRACE(run);
    const Outcome outcome = RunFakeApp(environment);
    EXPECT_EQ(outcome.status, QProcess::NormalExit);
    EXPECT_EQ(outcome.code, 0) << outcome.errors.toStdString();
    EXPECT_TRUE(outcome.errors.contains("closing with 20 scans busy")) << outcome.errors.toStdString();
  }
}

TEST(ClosingDuringScansTest, WithoutADisplayTheProgramSaysSoAndEndsWithMinusOne) {
  struct Case {
    const char* what;
    const char* platform;  // QT_QPA_PLATFORM; nullptr: not set
    const char* display;   // DISPLAY; nullptr: not set
    QStringList arguments;
  };
  const Case cases[] = {
      {"no display at all", nullptr, nullptr, {}},
      {"X11 display that nobody serves", "xcb", ":4321", {}},
      {"Wayland without a compositor", "wayland", nullptr, {}},
      // The command line wins over the environment, as it does for Qt.
      {"-platform xcb over an offscreen environment", "offscreen", nullptr, {"-platform", "xcb"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "VELDARO_FAKE_SCANS"}) {
      environment.remove(QString::fromLatin1(name));
    }
    if (c.platform != nullptr) environment.insert(QStringLiteral("QT_QPA_PLATFORM"), c.platform);
    if (c.display != nullptr) environment.insert(QStringLiteral("DISPLAY"), c.display);
    const Outcome outcome = RunFakeApp(environment, c.arguments);
    EXPECT_EQ(outcome.status, QProcess::NormalExit);
    EXPECT_EQ(outcome.code, 255);
    EXPECT_TRUE(outcome.errors.contains("cannot be created")) << outcome.errors.toStdString();
  }
}

}  // namespace
