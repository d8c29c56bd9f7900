#pragma once

// Bounds-checked little-endian reads over a byte buffer, for the metafile records. Every read checks
// its position against the buffer: a read outside gives 0 and never touches memory outside it, so a
// record decoder that asks for a field past the end of its record reads harmlessly. Decoders still
// check sizes and counts first (contient()), to skip a record rather than draw it from zeros.

#include <QByteArrayView>
#include <QtEndian>

#include <cmath>
#include <cstring>

class Octets {
public:
    Octets() = default;
    explicit Octets(QByteArrayView vue) : vue_(vue) {}

    qsizetype taille() const { return vue_.size(); }
    QByteArrayView vue() const { return vue_; }

    // Whether `n` bytes from `position` lie inside the buffer (with no overflow in the sum).
    bool contient(qint64 position, qint64 n) const
    {
        return position >= 0 && n >= 0 && position <= vue_.size() && n <= vue_.size() - position;
    }

    quint8 u8(qint64 p) const { return contient(p, 1) ? quint8(vue_[p]) : 0; }
    quint16 u16(qint64 p) const { return contient(p, 2) ? qFromLittleEndian<quint16>(vue_.data() + p) : 0; }
    qint16 i16(qint64 p) const { return qint16(u16(p)); }
    quint32 u32(qint64 p) const { return contient(p, 4) ? qFromLittleEndian<quint32>(vue_.data() + p) : 0; }
    qint32 i32(qint64 p) const { return qint32(u32(p)); }
    // A 32-bit float; NaN and infinities read as 0.
    double f32(qint64 p) const
    {
        const quint32 bits = u32(p);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return std::isfinite(f) ? double(f) : 0.0;
    }

    // The `n` bytes at `position`, or an empty buffer when they are not all inside.
    Octets sous(qint64 position, qint64 n) const
    {
        return contient(position, n) ? Octets(vue_.sliced(position, n)) : Octets();
    }

private:
    QByteArrayView vue_;
};
