#pragma once

#include "app/ExportManagerBinding.h"
#include "app/ExporterDetailView.h"
#include "app/FolderChooser.h"
#include "app/MainWindow.h"
#include "export/DefaultOutputPath.h"
#include "platform/ManualMainQueue.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace varnholt::test {

// Looking up widgets by object name.
template <typename T = QWidget> T* child(const QWidget* parent, const char* name)
{
    T* found = parent->findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(found, nullptr) << "no child named " << name;
    return found;
}

inline bool shown(const QWidget* parent, const char* name)
{
    const QWidget* widget = parent->findChild<QWidget*>(QString::fromUtf8(name));
    return widget && widget->isVisible();
}

inline QString text(const QWidget* parent, const char* name)
{
    if (auto* label = parent->findChild<QLabel*>(QString::fromUtf8(name)))
        return label->text();
    if (auto* field = parent->findChild<QLineEdit*>(QString::fromUtf8(name)))
        return field->text();
    if (auto* button = parent->findChild<QAbstractButton*>(QString::fromUtf8(name)))
        return button->text();
    ADD_FAILURE() << "no text widget named " << name;
    return {};
}

// Every label text below `parent`, to check that a screen says what it should.
inline QStringList labelTexts(const QWidget* parent)
{
    QStringList texts;
    for (const QLabel* label : parent->findChildren<QLabel*>())
        if (!label->text().isEmpty())
            texts << label->text();
    return texts;
}

// A window environment under a temporary folder, a hand-driven main queue and a
// readability probe that answers as told and remembers what it was asked.
class WindowFixture : public ::testing::Test {
protected:
    WindowFixture()
    {
        std::filesystem::create_directories(m_temp / "home");
        std::filesystem::create_directories(m_temp / "user");
    }

    ~WindowFixture() override { FolderChooser::reset(); }

    std::string sourceHome() const { return (m_temp / "home").string(); }
    std::string userHome() const { return (m_temp / "user").string(); }

    static std::chrono::system_clock::time_point fixedNow()
    {
        using namespace std::chrono;
        return sys_days{year{2025} / 1 / 31} + hours{14} + minutes{25} + seconds{3};
    }

    WindowEnvironment environment()
    {
        WindowEnvironment environment;
        environment.sourceHome = sourceHome();
        environment.userHome = userHome();
        environment.now = [] { return fixedNow(); };
        environment.isReadable = [this](const std::string& path) {
            m_probed.push_back(path);
            return m_readable;
        };
        return environment;
    }

    std::unique_ptr<MainWindow> makeWindow()
    {
        auto window = std::make_unique<MainWindow>(environment(), &m_binding);
        window->show();
        return window;
    }

    std::unique_ptr<ExporterDetailView> makeDetail(ExporterType type)
    {
        auto view = std::make_unique<ExporterDetailView>(type, m_binding, environment());
        view->show();
        return view;
    }

    TempDir m_temp;
    TraceCapture m_trace;
    bool m_readable = true;
    std::vector<std::string> m_probed;
    ManualMainQueue m_queue;
    ExportManagerBinding m_binding{m_queue};
};

} // namespace varnholt::test
