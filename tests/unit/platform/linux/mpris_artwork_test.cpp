// The Now playing card's picture as the Linux media session makes it: a
// local file or a data: URL, scaled to fit, and nothing for what is too big,
// not a picture, or on the network.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>

#include <fstream>

#include "platform/clock.h"
#include "platform/linux/mpris_media_session.h"

namespace vork::linux_x11 {
namespace {

QSize sizeOf(const std::string& dataUrl) {
    const std::string prefix = "data:image/jpeg;base64,";
    if (!dataUrl.starts_with(prefix)) return {};
    return QImage::fromData(QByteArray::fromBase64(QByteArray::fromStdString(dataUrl.substr(prefix.size())))).size();
}

// The picture once it has been read off the window's thread (its change has come), or after five seconds.
std::string readPicture(MprisMediaSession& session, int& changes, const std::string& url) {
    const int before = changes;
    const std::string first = session.artwork(url, 320);
    if (!first.empty()) return first;
    for (int i = 0; i < 500 && changes == before; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    return changes == before ? "(no change came)" : session.artwork(url, 320);
}

TEST(MprisArtworkTest, FilesAndDataUrlsScaledToFit_NothingTooBigRemoteOrBroken) {
    int argc = 0;
    const QCoreApplication application(argc, nullptr);  // the session bus's loop; none answers here
    const SteadyClock clock;
    MprisMediaSession session(clock);
    int changes = 0;
    session.onChange([&changes] { ++changes; });
    QTemporaryDir folder;
    QImage wide(1000, 500, QImage::Format_ARGB32);
    wide.fill(Qt::transparent);
    ASSERT_TRUE(wide.save(folder.filePath("wide.png")));
    QImage small(100, 200, QImage::Format_RGB32);
    small.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(small.save(&buffer, "PNG"));
    QImage noise(1000, 1000, QImage::Format_RGB32);  // a picture, but past 2 MB as a PNG
    std::uint32_t seed = 1;
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x) noise.setPixel(x, y, seed = seed * 1664525U + 1013904223U);
    ASSERT_TRUE(noise.save(folder.filePath("big.png")));
    ASSERT_GT(QFileInfo(folder.filePath("big.png")).size(), 2 * 1024 * 1024);
    QImage vast(5000, 5000, QImage::Format_Mono);  // past the pixels Vork decodes, a few kilobytes as a PNG
    vast.fill(0);
    ASSERT_TRUE(vast.save(folder.filePath("vast.png")));
    ASSERT_LT(QFileInfo(folder.filePath("vast.png")).size(), 2 * 1024 * 1024);
    std::ofstream(folder.filePath("text.jpg").toStdString()) << "not a picture";
    const std::string file = "file://" + folder.path().toStdString();

    EXPECT_EQ("", session.artwork(file + "/wide.png", 320)) << "not on the window's thread";
    EXPECT_EQ(QSize(320, 160), sizeOf(readPicture(session, changes, file + "/wide.png")));
    EXPECT_EQ(QSize(320, 160), sizeOf(session.artwork(file + "/wide.png", 320))) << "asked again: the same";
    EXPECT_EQ(QSize(100, 200),
              sizeOf(readPicture(session, changes, "data:image/png;base64," + png.toBase64().toStdString())))
        << "a small one as it is";
    EXPECT_EQ("", readPicture(session, changes, file + "/big.png"));
    EXPECT_EQ("", readPicture(session, changes, file + "/vast.png")) << "a small file that says it is vast";
    EXPECT_EQ("", readPicture(session, changes, file + "/text.jpg"));
    EXPECT_EQ("", readPicture(session, changes, file + "/missing.png"));
    const int before = changes;
    EXPECT_EQ("", session.artwork("https://127.0.0.1:1/cover.png", 320));
    QCoreApplication::processEvents();
    EXPECT_EQ(before, changes) << "nothing to read";
}

}  // namespace
}  // namespace vork::linux_x11
