#include "DemoServices.h"

#include <KvJob.h>
#include <KvJobProgressTracker.h>
#include <KvLegacyMode.h>
#include <KvPrefs.h>
#include <KvProgress.h>
#include <KvVersion.h>

#include <QDir>
#include <QSettings>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// Draws the overall fraction as a bar that rewrites one terminal line.
class TerminalBar : public KvProgress::Handler {
public:
    bool progress(double fraction) override {
        const int width = 40;
        const int filled = static_cast<int>(fraction * width + 0.5);
        std::printf("\r  [%s%s] %3d%%", std::string(filled, '#').c_str(), std::string(width - filled, '.').c_str(),
                    static_cast<int>(fraction * 100 + 0.5));
        std::fflush(stdout);
        return false;  // a real interface would return true when the user cancels
    }
    void rangePopped() override {
        if (KvProgress::getDepth() == 0) std::printf("\n");
    }
};

// Pretends to work in steps, telling its progress through a tracker.
class StepJob : public KvJob {
public:
    explicit StepJob(int steps) : steps_(steps) {}

    bool canRunInParallel() const override { return true; }
    void setRunningInParallel(bool) override {}
    void run() override {
        KvJobProgressTracker::Span span(tracker_);
        span.setNextMilestone(1.0);
        for (int i = 1; i <= steps_ && !aborted_; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            span.setProgress(static_cast<double>(i) / steps_);
        }
        finished_ = true;
    }
    bool isFinished() const override { return finished_; }
    void abort() override { aborted_ = true; }
    double progress() const override { return tracker_.progress(); }

private:
    int steps_;
    KvJobProgressTracker tracker_;
    std::atomic<bool> finished_{false};
    std::atomic<bool> aborted_{false};
};

void runJobs() {
    std::printf("Eight jobs in parallel, progress every half second:\n");
    std::vector<std::unique_ptr<StepJob>> owned;
    kv::vector<KvJob*> jobs;
    for (int i = 0; i < 8; ++i) {
        owned.push_back(std::make_unique<StepJob>(6 + i));
        jobs.push_back(owned.back().get());
    }
    TerminalBar bar;
    KvProgress::setActive(&bar);
    KvJob::executeJobs(jobs, KvJob::AbortOnCancel, 0);
    KvProgress::setActive(nullptr);
}

void showVersion() {
    std::printf("\n%s\n", KvVersion::getProgramAndVersion().getString());
    std::printf("  %s\n", KvVersion::getStandardBuildString().getString());
    std::printf("  script interface %s, legacy mode %s\n", KvVersion::getScriptVersion().getString(),
                KvLegacyMode::toString(KvLegacyMode::getVersion()).getString());
}

void showPreference() {
#ifdef KV_DEMO_TMPDIR
    const QString folder = QStringLiteral(KV_DEMO_TMPDIR "/settings");
#else
    const QString folder = QDir::tempPath() + "/kvdemo-settings";
#endif
    // Keep the demonstration away from the user's own preferences.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, folder + "/system");

    KvPrefs* prefs = KvPrefs::get();
    const int level = prefs->intPref(PrefMaxUndoLevel);
    prefs->setIntPref(PrefMaxUndoLevel, level + 1);
    const bool saved = prefs->save(PrefMaxUndoLevel, true);
    KvPrefs::destroy();

    std::printf("\nPreference \"Max Undo Level\" (default %d) was %d, saved %d: %s\n",
                KvPrefs::get()->intPref(PrefMaxUndoLevel, PrefsDefault), level, level + 1, saved ? "ok" : "failed");
    std::printf("  read back: %d, from %s\n", KvPrefs::get()->intPref(PrefMaxUndoLevel),
                qPrintable(QDir::toNativeSeparators(folder)));
    KvPrefs::destroy();
}

}  // namespace

void demoServices() {
    std::printf("\n== Services ==\n");
    // The runner reads this once, on its first use.
    qputenv("MWI_SHOW_TIMINGS", "1");
    runJobs();
    showVersion();
    showPreference();
}
