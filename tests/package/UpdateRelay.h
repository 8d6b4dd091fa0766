#pragma once

// Ordinary Qt code with the Qt keywords, and libkvbase headers after Qt's.
#include <QObject>

#include <KvObject.h>

// Observes a libkvbase object and passes each update on as a Qt signal.
class UpdateRelay : public QObject, public KvObject {
    Q_OBJECT
public:
    void handleUpdateAction(KvUpdateAction* action) override;
    void handlePurgeAction(KvPurgeAction* action) override;
    void handleReplaceAction(KvReplaceAction*) override {}
    void handleSplitAction(KvSplitAction*) override {}
    void handleJoinAction(KvJoinAction*) override {}

signals:
    void updated(int count);
    void purged();

private:
    int updates_ = 0;
};

// Counts what the relay says.
class Tally : public QObject {
    Q_OBJECT
public:
    int last = 0;
    bool sawPurge = false;

public slots:
    void onUpdated(int count) { last = count; }
    void onPurged() { sawPurge = true; }
};
