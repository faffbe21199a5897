#include "moviesearchitemmodel.h"

MovieSearchItemModel::MovieSearchItemModel(const QString& movieId, const QString& title, const QString& year,
                                           platform::PicturePtr image)
{
    setImage(std::move(image));
    setTitle(title);
    setYear(year);
    setMovieId(movieId);
}
