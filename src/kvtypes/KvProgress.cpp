#include <KvProgress.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace {
struct Range {
    double begin, end;
};
struct State {
    std::mutex mutex;
    KvProgress::Handler* handler = nullptr;
    std::vector<Range> ranges;  // absolute ranges, innermost last
};
State& state() {
    static State s;
    return s;
}
Range current(const State& s) { return s.ranges.empty() ? Range{0.0, 1.0} : s.ranges.back(); }
}  // namespace

KvProgress::Handler::~Handler() = default;

void KvProgress::setActive(Handler* handler) {
    std::lock_guard<std::mutex> lock(state().mutex);
    state().handler = handler;
}

KvProgress::Handler* KvProgress::getActive() {
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().handler;
}

void KvProgress::pushRange(double begin, double end) {
    State& s = state();
    Handler* h;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        Range r = current(s);
        double w = r.end - r.begin;
        s.ranges.push_back({r.begin + w * begin, r.begin + w * end});
        h = s.handler;
    }
    if (h) h->rangePushed(begin, end);
}

void KvProgress::pushRange(double begin, double end, uint64_t count, double& cur, double& step) {
    pushRange(begin, end);
    cur = begin;
    step = count ? (end - begin) / static_cast<double>(count) : 0.0;
}

bool KvProgress::update(double value) {
    State& s = state();
    Handler* h;
    double fraction;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        // A value is a fraction of the innermost range.
        Range r = current(s);
        double v = std::min(std::max(value, 0.0), 1.0);
        fraction = r.begin + (r.end - r.begin) * v;
        h = s.handler;
    }
    return h ? h->progress(fraction) : false;
}

void KvProgress::popRange() {
    State& s = state();
    Handler* h;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.ranges.empty()) return;
        s.ranges.pop_back();
        h = s.handler;
    }
    if (h) h->rangePopped();
}

int KvProgress::getDepth() {
    std::lock_guard<std::mutex> lock(state().mutex);
    return static_cast<int>(state().ranges.size());
}
