#pragma once

// What every target needs once per process: a silent offscreen GUI application
// (previews are QPixmaps), and the bytes of one input as a readable device.

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>

#include <cstddef>
#include <cstdint>

namespace Fuzz {

inline void quiet(QtMsgType, const QMessageLogContext&, const QString&) { }

inline void startApplication()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quiet);
    static int argc = 1;
    static char program[] = "fuzz";
    static char* argv[] = { program, nullptr };
    // Never destroyed: the offscreen platform leaks its screen at shutdown.
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    static_cast<void>(app);
}

// An in-memory device over data, which must outlive it; no copy is made.
class InputDevice {
public:
    InputDevice(const std::uint8_t* data, std::size_t size)
        : m_bytes(QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size)))
        , m_buffer(&m_bytes)
    {
        m_buffer.open(QIODevice::ReadOnly);
    }

    QIODevice* device() { return &m_buffer; }

private:
    QByteArray m_bytes;
    QBuffer m_buffer;
};

} // namespace Fuzz
