// The picture control with a raster picture: how a build without Qt Svg shows the artwork.
#include "panel/SvgPicture.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(SvgPicture, RasterRenderingChosenForTheScreen)
{
    struct Case
    {
        QString path;
        qreal dpr;
        QString expected;
    };
    const Case cases[] = {
        {":/art/faces/plain.svg", 1, ":/art/faces/plain.png"},
        {":/art/faces/plain.svg", 1.25, ":/art/faces/plain@2x.png"},
        {":/art/keys/key_3_pressed.SVG", 2, ":/art/keys/key_3_pressed@2x.png"},
        {"/tmp/photo.png", 2, "/tmp/photo.png"},
        {"", 1, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RasterArtPath(c.path, c.dpr), c.expected) << c.path.toStdString() << " " << c.dpr;
}

TEST(SvgPicture, ShowsARasterPictureStretchedOverTheControl)
{
    QTemporaryDir dir;
    QImage image(10, 10, QImage::Format_ARGB32);
    image.fill(Qt::red);
    for (int y = 0; y < 10; ++y)
        for (int x = 5; x < 10; ++x)
            image.setPixelColor(x, y, Qt::blue);
    const QString path = dir.filePath("halves.png");
    ASSERT_TRUE(image.save(path));

    QWidget parent;
    SvgPicture picture("pic", QRect(0, 0, 80, 20), &parent);
    picture.setPicture(path);
    ASSERT_TRUE(picture.hasPicture());
    const QImage shown = picture.grab().toImage();
    EXPECT_EQ(shown.pixelColor(5, 10), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(75, 10), QColor(Qt::blue));

    picture.setPicture(dir.filePath("missing.png"));
    EXPECT_FALSE(picture.hasPicture());
}

} // namespace
} // namespace korvel
