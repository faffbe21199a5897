#include "moviesearchitemmodel.h"

MovieSearchItemModel::MovieSearchItemModel(const QString& movieId, const QString& title, const QString& year,
                                           std::shared_ptr<const QImage> image)
{
    setImage(std::move(image));
    setTitle(title);
    setYear(year);
    setMovieId(movieId);
}
