// Randomised, model-based soak of the undo engine over undo data and
// attributed entities.
//
// Each run draws a sequence of operations from a seed: create, change and
// delete values and entities, mark, undo, redo, push and pop undo levels,
// change the step limit and run the memory cleaner. A plain model keeps the
// expected history (one snapshot of every live object's value per step);
// after every operation the live objects, reached through their undo
// references, must match the current snapshot exactly, and nothing else may
// be alive.
//
// ctest runs fixed seeds. KV_SOAK_SECONDS=n runs random seeds (or the one in
// KV_SOAK_SEED) until n seconds are up, with entities when KV_SOAK_ENTITIES
// is set; scripts/soak does that. A failure prints its seed, the step counts
// of engine and model, and the operations that led to it (all of them into
// the file KV_SOAK_TRACE names); KV_SOAK_REPLAY=file replays such a list, so
// that a failing run can be cut down by hand or by a script.

#include <KvTestAttributedUndo.h>

#include <KvActionQueue.h>
#include <KvAllocator.h>
#include <KvAttributedObject.h>
#include <KvExcept.h>
#include <KvUndo.h>
#include <KvUndoReference.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace kvtest;

namespace {

using Snap = std::map<int, int>;  // object id -> value

// What the engine should do, step for step.
struct Model {
    std::vector<Snap> steps{Snap{}};  // steps[0]: the oldest reachable state
    size_t pos = 0;                   // the state undo and redo stand on
    Snap cur;                         // the live objects now
    bool open = false;                // a step is open (changes since the last close)
    uint64_t limit = 0;
    struct Level {
        size_t floor;  // index of the state at the push
        Snap base;     // that state, kept for the pop
    };
    std::vector<Level> levels;

    size_t floor() const { return levels.empty() ? 0 : levels.back().floor; }

    // The first change after a close opens a step, which drops the redo steps.
    void change() {
        if (!open) steps.resize(pos + 1);
        open = true;
    }
    void close() {
        if (!open) return;
        open = false;
        if (cur == steps[pos]) return;  // nothing left: no step
        steps.resize(pos + 1);
        steps.push_back(cur);
        ++pos;
        enforceLimit();
    }
    void enforceLimit() {
        while (steps.size() - 1 - floor() > limit) {
            if (levels.empty()) {
                steps.erase(steps.begin());
            } else {
                // Inside a level the oldest step joins the marker before it.
                steps.erase(steps.begin() + static_cast<long>(floor()));
            }
            --pos;
        }
    }
    void mark() {
        steps.resize(pos + 1);
        close();
    }
    bool undo() {
        close();
        if (pos == floor()) return false;
        cur = steps[--pos];
        return true;
    }
    bool redo() {
        if (open) {
            close();
            return false;
        }
        if (pos + 1 >= steps.size()) return false;
        cur = steps[++pos];
        return true;
    }
    void push() {
        close();
        steps.resize(pos + 1);
        levels.push_back(Level{pos, steps[pos]});
    }
    void pop() {
        close();
        steps.resize(pos + 1);
        Level l = levels.back();
        levels.pop_back();
        // The folded step keeps the objects that differ between its start
        // and its end; with none (born and gone inside it, or changed and
        // changed back) it vanishes.
        const bool any = l.base != cur;
        steps.resize(l.floor);
        steps.push_back(l.base);
        if (any) steps.push_back(cur);
        pos = steps.size() - 1;
        enforceLimit();
    }
    void setLimit(uint64_t n) {
        if (n < limit) {
            // Redo steps go first, then the oldest.
            while (steps.size() - 1 > n && pos + 1 < steps.size())
                steps.pop_back();
        }
        limit = n;
        enforceLimit();
    }
    bool clean() {
        if (!open && pos + 1 < steps.size()) {
            steps.resize(pos + 1);
            return true;
        }
        if (pos < 2) return false;
        steps.erase(steps.begin(), steps.begin() + static_cast<long>(pos - 1));
        pos = 1;
        return true;
    }
};

struct Soak {
    Soak(uint64_t seed, bool levels, bool entities) : rng(seed), seed(seed), levels(levels), entities(entities) {}

    std::mt19937_64 rng;
    uint64_t seed;
    bool levels;    // push and pop undo levels too
    bool entities;  // attributed entities besides plain values
    Model model;
    std::map<int, KvUndoReference> refs;  // every object ever made
    std::map<int, bool> isEntity;
    int nextId = 1;
    std::vector<std::string> trace;

    int pick(int n) { return static_cast<int>(rng() % static_cast<uint64_t>(n)); }
    int anyLive(bool entity) {
        std::vector<int> ids;
        for (auto& [id, v] : model.cur)
            if (isEntity[id] == entity) ids.push_back(id);
        return ids.empty() ? 0 : ids[static_cast<size_t>(pick(static_cast<int>(ids.size())))];
    }
    Value* value(int id) { return dynamic_cast<Value*>(KvUndo::dereference(refs[id])); }
    TestObject* entity(int id) { return dynamic_cast<TestObject*>(KvAttributedObject::dereference(refs[id])); }

    // Draws one operation, written as a line apply() reads back; empty when
    // the draw does not fit the present state.
    std::string choose() {
        const int r = pick(100);
        std::ostringstream op;
        if (r < 8) {
            const int v = pick(1000);
            op << "value " << nextId << " = " << v;
        } else if (r < 14) {
            if (!entities) return {};
            const int v = pick(1000);
            op << "entity " << nextId << " = " << v;
        } else if (r < 40) {
            const int id = anyLive(r >= 30);
            if (!id) return {};
            op << "set " << id << " = " << (model.cur[id] + 1 + pick(5)) % 1000;
        } else if (r < 46) {
            const int id = anyLive(r >= 43);
            if (!id) return {};
            op << "delete " << id;
        } else if (r < 62) {
            op << "mark";
        } else if (r < 76) {
            op << "undo";
        } else if (r < 88) {
            op << "redo";
        } else if (r < 91) {
            if (!levels || model.levels.size() >= 2) return {};
            op << "push level";
        } else if (r < 94) {
            if (model.levels.empty()) return {};
            op << "pop level";
        } else if (r < 97) {
            if (!model.levels.empty()) return {};
            op << "limit " << 2 + pick(7);
        } else {
            if (!model.levels.empty()) return {};
            op << "clean";
        }
        return op.str();
    }

    void step() {
        const std::string op = choose();
        if (!op.empty()) apply(op);
    }

    // Runs one operation on engine and model, then checks them.
    void apply(const std::string& op) {
        std::istringstream in(op);
        std::string what, eq;
        int id = 0, v = 0;
        in >> what >> id >> eq >> v;
        trace.push_back(op);
        if ((what == "set" || what == "delete") && !model.cur.count(id)) fail("no live object " + std::to_string(id));
        if (what == "value") {
            auto* obj = new Value("v" + std::to_string(id), v);
            refs[id] = KvUndo::reference(obj);
            isEntity[id] = false;
            nextId = id + 1;
            model.change();
            model.cur[id] = v;
        } else if (what == "entity") {
            auto* obj = new TestObject("e" + std::to_string(id));
            obj->addAttribItem(new ValueItem(v, "i" + std::to_string(id)));
            refs[id] = obj->reference();
            isEntity[id] = true;
            nextId = id + 1;
            model.change();
            model.cur[id] = v;
        } else if (what == "set") {
            model.change();
            model.cur[id] = v;
            if (isEntity[id])
                const_cast<ValueItem*>(itemOf<ValueItem>(entity(id)))->set(v);
            else
                value(id)->set(v);
        } else if (what == "delete") {
            model.change();
            model.cur.erase(id);
            if (isEntity[id])
                entity(id)->destroy();
            else
                value(id)->destroy();
        } else if (what == "mark") {
            KvUndo::mark(("m" + std::to_string(trace.size() - 1)).c_str());
            model.mark();
        } else if (what == "undo") {
            const bool expected = model.undo();
            if (KvUndo::undo() != expected) fail("undo() returned " + std::to_string(!expected));
        } else if (what == "redo") {
            const bool expected = model.redo();
            if (KvUndo::redo() != expected) fail("redo() returned " + std::to_string(!expected));
        } else if (what == "push") {
            KvUndo::pushUndoLevel();
            model.push();
        } else if (what == "pop") {
            KvUndo::popUndoLevel("level");
            model.pop();
        } else if (what == "limit") {
            KvUndo::mark("before limit");
            model.mark();
            KvUndo::setMaxSteps(static_cast<uint64_t>(id));
            model.setLimit(static_cast<uint64_t>(id));
        } else if (what == "clean") {
            const bool expected = model.clean();
            if (KvAllocator::runCleaningFunctions() != expected)
                fail("the cleaner returned " + std::to_string(!expected));
        } else {
            fail("unknown operation");
        }
        hookLog().clear();
        check();
    }

    void check() {
        KvActionQueue::process();
        int values = 0, entities = 0;
        for (auto& [id, ref] : refs) {
            auto it = model.cur.find(id);
            int got = -2;
            if (isEntity[id]) {
                TestObject* e = entity(id);
                if (e) got = valueOf(e);
            } else if (Value* v = value(id)) {
                got = static_cast<int>(v->get());
            }
            if (it == model.cur.end()) {
                if (got != -2) fail("object " + std::to_string(id) + " should be gone, has " + std::to_string(got));
            } else {
                (isEntity[id] ? entities : values)++;
                if (got != it->second)
                    fail("object " + std::to_string(id) + " should be " + std::to_string(it->second) + ", is " +
                         (got == -2 ? std::string("gone") : std::to_string(got)));
            }
        }
        if (Census<Value>::live() != values || Census<TestObject>::live() != entities ||
            Census<ValueItem>::live() != entities)
            fail("alive: " + std::to_string(Census<Value>::live()) + " values, " +
                 std::to_string(Census<TestObject>::live()) + " entities, " +
                 std::to_string(Census<ValueItem>::live()) + " items; expected " + std::to_string(values) + ", " +
                 std::to_string(entities));
    }

    [[noreturn]] void fail(const std::string& what) {
        std::ostringstream out;
        kv::vector<KvString> u, r;
        KvUndo::getUndoList(u);
        KvUndo::getRedoList(r);
        out << "seed " << seed << ", step " << trace.size() << ": " << what << "\nengine: " << u.size() << " undo and "
            << r.size() << " redo steps; model: " << model.pos - model.floor() << " and "
            << model.steps.size() - 1 - model.pos << "\nlast operations:";
        size_t from = trace.size() > 100 ? trace.size() - 100 : 0;
        for (size_t i = from; i < trace.size(); ++i)
            out << "\n  " << i + 1 << ": " << trace[i];
        if (const char* file = std::getenv("KV_SOAK_TRACE")) {
            // The whole run, for KV_SOAK_REPLAY.
            std::ofstream all(file);
            for (const std::string& op : trace)
                all << op << '\n';
            out << "\nall operations written to " << file;
        }
        throw std::runtime_error(out.str());
    }
};

class UndoSoak : public AttributedUndoTest {
protected:
    // One run; false (with the report written) when the model and the engine
    // part.
    static bool run(uint64_t seed, int steps, bool entities) {
        return run(
            seed,
            [&](Soak& soak) {
                for (int i = 0; i < steps; ++i)
                    soak.step();
            },
            entities);
    }
    // Replays the operations written in a failure report, one per line.
    static bool replay(std::istream& in) {
        return run(
            0,
            [&](Soak& soak) {
                for (std::string line; std::getline(in, line);) {
                    const size_t colon = line.find(": ");
                    if (colon != std::string::npos) line = line.substr(colon + 2);
                    if (!line.empty()) soak.apply(line);
                }
            },
            true);
    }
    template <class Ops>
    static bool run(uint64_t seed, Ops ops, bool entities) {
        Soak soak(seed, true, entities);
        KvUndo::setMaxSteps(100);
        soak.model.limit = 100;
        bool ok = true;
        try {
            ops(soak);
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what();
            ok = false;
        }
        dropEverything();
        return ok;
    }
};

}  // namespace

TEST_F(UndoSoak, FixedSeeds) {
    for (uint64_t seed = 1; seed <= 24; ++seed)
        if (!run(seed, 2000, false)) break;
}

TEST_F(UndoSoak, FixedSeedsWithEntities) {
    for (uint64_t seed = 1; seed <= 12; ++seed)
        if (!run(seed, 2000, true)) break;
}

TEST_F(UndoSoak, FromEnvironment) {
    if (const char* file = std::getenv("KV_SOAK_REPLAY")) {
        std::ifstream in(file);
        ASSERT_TRUE(in) << file;
        EXPECT_TRUE(replay(in));
        return;
    }
    const char* seconds = std::getenv("KV_SOAK_SECONDS");
    if (!seconds) GTEST_SKIP() << "set KV_SOAK_SECONDS (scripts/soak)";
    const char* fixed = std::getenv("KV_SOAK_SEED");
    const bool entities = std::getenv("KV_SOAK_ENTITIES") != nullptr;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoll(seconds));
    std::random_device device;
    uint64_t runs = 0;
    do {
        const uint64_t seed = fixed ? std::strtoull(fixed, nullptr, 10) : (uint64_t(device()) << 32 | device());
        std::cout << "seed " << seed << std::endl;
        if (!run(seed, 2000, entities)) break;
        ++runs;
    } while (!fixed && std::chrono::steady_clock::now() < end);
    std::cout << runs << " runs passed" << std::endl;
}
