#pragma once
// An environment variable set (or, with a null value, unset) for the life of one object; what
// was there before comes back when it goes.
//
//   ScopedEnv home("HOME", QFile::encodeName(privateHome));

#include <QByteArray>
#include <QtGlobal>

namespace fw::test {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

} // namespace fw::test
