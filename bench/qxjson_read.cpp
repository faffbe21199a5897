// Reads a search reply of about 10 MB with the movie database's JSON reader
// and prints the time per read: it must stay linear in the input.
#include "online/qxjson.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

int main()
{
    bool everyRead = true;
    const QString hit = QString::fromUtf8(
        R"({"adult":false,"backdrop_path":null,"genre_ids":[27,878],"id":%1,"original_title":"Alien",)"
        R"("overview":"Die Besatzung des Frachters \"Nostromo\" …","poster_path":"/p.jpg",)"
        R"("release_date":"1979-05-25","title":"Alien","video":false,"vote_average":8.1,"vote_count":14000})");
    for (int hits : {10000, 20000, 40000}) {
        QString text = QStringLiteral(R"({"page":1,"results":[)");
        for (int i = 0; i < hits; ++i)
            text += (i ? QStringLiteral(",") : QString()) + hit.arg(i);
        text += QStringLiteral("]}");
        QElapsedTimer clock;
        clock.start();
        const auto wrapper = QXJSON::QXJSONStringToObject(text);
        const qint64 ms = clock.elapsed();
        const bool read = wrapper && !wrapper->isEmpty();
        everyRead = everyRead && read;
        std::printf("%6d hits, %5.1f MB: %lld ms (%s)\n", hits, text.size() / 1e6, static_cast<long long>(ms),
                    read ? "read" : "FAILED, the time means nothing");
    }
    return everyRead ? 0 : 1;
}
