#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>

namespace Fetch {

// Undoes a gzip or deflate Content-Encoding a piece at a time. Output is made in steps of a fixed
// size and stops as soon as the body passes its cap, so a small compressed body that inflates
// without end never costs more than the cap plus one step.
class Inflater
{
public:
    Inflater();
    ~Inflater();
    Inflater(const Inflater &) = delete;
    Inflater &operator=(const Inflater &) = delete;

    enum class Outcome { More, OverCap, Broken };
    // Inflates `input` onto `body`; OverCap once body holds more than `cap` bytes.
    Outcome inflate(QByteArrayView input, QByteArray &body, qint64 cap);
    bool finished() const { return m_finished; }

private:
    struct Stream;
    std::unique_ptr<Stream> m_stream;
    bool m_finished = false;
};

} // namespace Fetch
