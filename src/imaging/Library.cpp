#include "Library.h"

#include <QImageReader>

#include <mutex>
#include <set>

namespace imaging {

namespace {

// The live instances are process-wide, as the library's own state is: every window and
// every run starts its own instance against the same count.
struct Instances
{
    std::mutex mutex;
    std::set<Token> live;
    Token next = 1;
    int startups = 0;
    int shutdowns = 0;
    bool failNext = false;
};

Instances &instances()
{
    // Mutable by design: the count of instances is what tests and the close routines check.
    static Instances i;
    return i;
}

void applyAllocationLimit()
{
    // Qt's reader keeps its allocation limit process-wide.
    static std::once_flag once;
    std::call_once(once, [] { QImageReader::setAllocationLimit(Library::allocationLimitMb); });
}

} // namespace

QString statusText(Status status)
{
    switch (status) {
    case Status::Ok:
        return QStringLiteral("OK");
    case Status::GenericError:
        return QStringLiteral("general error");
    case Status::InvalidParameter:
        return QStringLiteral("invalid parameter");
    case Status::OutOfMemory:
        return QStringLiteral("out of memory");
    case Status::FileNotFound:
        return QStringLiteral("file not found");
    case Status::UnknownImageFormat:
        return QStringLiteral("not a readable picture");
    case Status::TooLarge:
        return QStringLiteral("picture too large");
    case Status::AccessDenied:
        return QStringLiteral("access denied");
    case Status::WriteFailed:
        return QStringLiteral("write failed");
    case Status::NotStarted:
        return QStringLiteral("imaging library not started");
    }
    return QStringLiteral("unknown status");
}

Status Library::startup(Token &token)
{
    Instances &in = instances();
    std::lock_guard lock(in.mutex);
    if (in.failNext) {
        in.failNext = false;
        return Status::GenericError;
    }
    applyAllocationLimit();
    token = in.next++;
    in.live.insert(token);
    ++in.startups;
    return Status::Ok;
}

void Library::shutdown(Token token)
{
    Instances &in = instances();
    std::lock_guard lock(in.mutex);
    if (in.live.erase(token) > 0)
        ++in.shutdowns;
}

int Library::liveInstances()
{
    Instances &in = instances();
    std::lock_guard lock(in.mutex);
    return int(in.live.size());
}

int Library::totalStartups()
{
    Instances &in = instances();
    std::lock_guard lock(in.mutex);
    return in.startups;
}

int Library::totalShutdowns()
{
    Instances &in = instances();
    std::lock_guard lock(in.mutex);
    return in.shutdowns;
}

void Library::failNextStartup()
{
    Instances &in = instances();
    std::lock_guard lock(in.mutex);
    in.failNext = true;
}

bool Library::started()
{
    return liveInstances() > 0;
}

} // namespace imaging
