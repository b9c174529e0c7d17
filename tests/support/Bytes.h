#pragma once

// Byte strings as the tests write them: literal bytes and whole frames.
#include <QByteArray>
#include <initializer_list>

inline QByteArray bytes(std::initializer_list<int> values) {
    QByteArray all;
    for (int v : values)
        all.append(static_cast<char>(v));
    return all;
}

// 0x55 0xAA, the body's length, the body.
inline QByteArray frameOf(const QByteArray& body) {
    return bytes({0x55, 0xAA, static_cast<int>(body.size())}) + body;
}
