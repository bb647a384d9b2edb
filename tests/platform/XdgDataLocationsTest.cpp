#include "platform/x11/XdgDataLocations.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace quillstack;

namespace {

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        if (value.isNull()) {
            qunsetenv(name);
        } else {
            qputenv(name, value);
        }
    }
    ~ScopedEnv() {
        if (had_) {
            qputenv(name_, old_);
        } else {
            qunsetenv(name_);
        }
    }

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

} // namespace

TEST(XdgDataLocations, FollowsTheXdgBaseDirectories) {
    const XdgDataLocations locations;
    ScopedEnv home("HOME", "/home/someone");
    {
        ScopedEnv data("XDG_DATA_HOME", "/srv/data//");
        EXPECT_EQ(locations.applicationSupportDirectory(), QStringLiteral("/srv/data"));
    }
    {
        ScopedEnv data("XDG_DATA_HOME", "relative/data"); // invalid: ignored
        EXPECT_EQ(locations.applicationSupportDirectory(),
                  QStringLiteral("/home/someone/.local/share"));
    }
    {
        ScopedEnv data("XDG_DATA_HOME", QByteArray());
        EXPECT_EQ(locations.applicationSupportDirectory(),
                  QStringLiteral("/home/someone/.local/share"));
        ScopedEnv noHome("HOME", QByteArray());
        EXPECT_FALSE(locations.applicationSupportDirectory());
    }
    EXPECT_EQ(locations.temporaryDirectory(), QDir::tempPath());
}
