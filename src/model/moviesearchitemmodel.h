#pragma once

#include "platform/picture.h"

#include <QString>

#include <memory>

// One hit of a movie search as listed for the user.
class MovieSearchItemModel {
public:
    MovieSearchItemModel() = default;
    // Sets image, title, year and movie id, in that order, through the setters.
    MovieSearchItemModel(const QString& movieId, const QString& title, const QString& year, platform::PicturePtr image);

    const platform::PicturePtr& image() const { return m_image; }
    void setImage(platform::PicturePtr image) { m_image = std::move(image); }
    const QString& title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    const QString& year() const { return m_year; }
    void setYear(const QString& year) { m_year = year; }
    const QString& movieId() const { return m_movieId; }
    void setMovieId(const QString& movieId) { m_movieId = movieId; }

private:
    platform::PicturePtr m_image;
    QString m_title;
    QString m_year;
    QString m_movieId;
};
