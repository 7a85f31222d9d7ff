#include <gmock/gmock.h>

#include <QGuiApplication>

int main(int argc, char** argv)
{
    // Previews are QPixmaps, which need a GUI application; no display is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
