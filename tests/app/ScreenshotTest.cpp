#include "WindowFixture.h"

#include <QPushButton>

namespace varnholt::test {
namespace {

using ScreenshotTest = WindowFixture;

// Writes a picture of each source's screen to the build folder, for the README
// (docs/) and for a look at the window without a display.
TEST_F(ScreenshotTest, SavesAPictureOfEachSourcesScreen)
{
    // Readable paths for the pictures; nothing is read from them (the probe is a stand-in).
    WindowEnvironment pictured = environment();
    pictured.sourceHome = "/home/you/mac-home";
    pictured.userHome = "/home/you";
    m_readable = false; // shows the banner of a source that cannot be read on the Messages screen
    auto window = std::make_unique<MainWindow>(pictured, &m_binding);
    window->show();
    const QString folder = QStringLiteral(VARNHOLT_BINARY_DIR "/screenshots");
    ASSERT_TRUE(QDir().mkpath(folder));
    for (ExporterType type : MainWindow::kSources) {
        const QString segment = QStringLiteral("segment") + QString::fromUtf8(rawValue(type).data());
        child<QPushButton>(window.get(), segment.toUtf8().constData())->click();
        QCoreApplication::sendPostedEvents(); // lets pending layout requests settle
        const QPixmap picture = window->grab();
        EXPECT_EQ(picture.size(), QSize(550, 550));
        const QString file = folder + "/" + QString::fromUtf8(rawValue(type).data()) + ".png";
        EXPECT_TRUE(picture.save(file)) << file.toStdString();
    }
}

} // namespace
} // namespace varnholt::test
