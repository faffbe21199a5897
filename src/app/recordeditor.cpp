#include "app/recordeditor.h"

#include "app/binding.h"
#include "app/chapterlistmodel.h"
#include "app/explicittransformer.h"
#include "app/korvalanecontroller.h"
#include "app/mediatypetransformer.h"
#include "app/ratingtransformer.h"
#include "app/statustoledimage.h"
#include "platform/localized.h"
#include "ui_mainwindow.h"

#include <QHeaderView>

#include <algorithm>

namespace {

// A chapter or subtitle state to its status light.
class StatusImageAsLed : public ValueTransformer {
public:
    QMetaType transformedValueClass() const override { return QMetaType::fromType<QImage>(); }
    bool allowsReverseTransformation() const override { return false; }
    QVariant transformedValue(const QVariant& value) const override
    {
        switch (value.value<StatusImage>()) {
            case StatusImage::Available:
                return StatusToLedImage::ledImage(3);
            case StatusImage::PartiallyAvailable:
                return StatusToLedImage::ledImage(2);
            case StatusImage::Unavailable:
                return StatusToLedImage::ledImage(1);
            case StatusImage::None:
                break;
        }
        return StatusToLedImage::ledImage(0);
    }
};

void refill(QComboBox* box, const QStringList& names)
{
    const QSignalBlocker blocker(box);
    box->clear();
    box->addItems(names);
}

}  // namespace

RecordEditor::RecordEditor(Ui::MainWindow& ui, MovieList& list, KorvalaneController& controller)
    : m_ui(ui), m_list(list), m_controller(controller), m_chapters(std::make_unique<ChapterListModel>(list))
{
    m_ui.chapterListView->setModel(m_chapters.get());
    m_ui.chapterListView->horizontalHeader()->setSectionResizeMode(ChapterListModel::NumberColumn,
                                                                   QHeaderView::ResizeToContents);
    m_ui.chapterListView->horizontalHeader()->setSectionResizeMode(ChapterListModel::StartColumn,
                                                                   QHeaderView::ResizeToContents);
    // A text field as narrow as a few letters shows nothing of a title: below the width the
    // choosers keep, the form puts it under its label instead, as it does with them.
    for (QLineEdit* field : m_ui.recordEditor->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
        field->setMinimumWidth(m_ui.ratingComboBox->minimumSizeHint().width());
    for (QLabel* light : {m_ui.chapterStatusLed, m_ui.subtitleStatusLed}) {
        light->setFixedSize(16, 16);
        light->setScaledContents(true);
    }
    // The media type is chosen by its label.
    m_ui.mediaTypeComboBox->setProperty("bindsText", true);
    for (const char* key :
         {"mediaTypeMovie", "mediaTypeHomeVideo", "mediaTypeMusicVideo", "mediaTypeTVShow", "mediaTypePodcast"})
        m_ui.mediaTypeComboBox->addItem(platform::localized(QString::fromLatin1(key)));
    fillChoosers();
    bindFields();
    connect(&controller, &KorvalaneController::movieGenresNamesChanged, this, &RecordEditor::fillChoosers);
    // A new search country or FSK choice brings other rating names, also when the genre names stay.
    connect(&controller, &KorvalaneController::ratingNamesChanged, this, &RecordEditor::fillChoosers);
}

RecordEditor::~RecordEditor() = default;

void RecordEditor::fillChoosers()
{
    refill(m_ui.genreComboBox, m_controller.movieGenresNames());
    refill(m_ui.ratingComboBox, m_controller.ratingNames());
    refill(m_ui.explicitComboBox, m_controller.explicitNames());
    refill(m_ui.formatComboBox, m_controller.formatNames());
    refill(m_ui.chapterSettingComboBox, m_controller.chapterNames());
    for (Binding* binding : m_bindings)
        binding->refresh();
}

bool RecordEditor::holdsUncommittedEdit() const
{
    return std::any_of(m_bindings.cbegin(), m_bindings.cend(),
                       [](const Binding* binding) { return binding->holdsUncommittedEdit(); });
}

void RecordEditor::commitEditing()
{
    for (Binding* binding : m_bindings)
        binding->commitPendingEdit();
}

void RecordEditor::bindFields()
{
    const auto names = Binding::namesAsText();
    const auto led = std::make_shared<StatusImageAsLed>();
    // The chapter count and the minutes per chapter are both the record's
    // chapter interval: each box edits it under its own chapter setting.
    const Binding::Condition byCount{QStringLiteral("chapterSettings"), MovieModel::kChaptersByCount};
    const Binding::Condition byMinutes{QStringLiteral("chapterSettings"), MovieModel::kChaptersByMinutes};
    const struct {
        QWidget* editor;
        const char* key;
        std::shared_ptr<const ValueTransformer> transformer;
        std::optional<Binding::Condition> appliesWhile = std::nullopt;
    } fields[] = {
        {m_ui.titleEdit, "title", nullptr},
        {m_ui.sortTitleEdit, "sortTitle", nullptr},
        {m_ui.genreComboBox, "genre", nullptr},
        {m_ui.ratingComboBox, "rating", std::make_shared<RatingTransformer>()},
        {m_ui.explicitComboBox, "explicitFlag", std::make_shared<ExplicitTransformer>()},
        {m_ui.formatComboBox, "hdVideo", nullptr},
        {m_ui.mediaTypeComboBox, "mediaType", std::make_shared<MediaTypeTransformer>()},
        {m_ui.actorsEdit, "artists", names},
        {m_ui.directorsEdit, "directors", names},
        {m_ui.producersEdit, "producers", names},
        {m_ui.screenwritersEdit, "screenWriters", names},
        {m_ui.studioEdit, "studio", nullptr},
        {m_ui.shortDescTextView, "shortDescription", nullptr},
        {m_ui.longDescTextView, "longDescription", nullptr},
        {m_ui.chapterSettingComboBox, "chapterSettings", nullptr},
        {m_ui.chapterCountSpinBox, "chapterInterval", nullptr, byCount},
        {m_ui.chapterIntervalSpinBox, "chapterInterval", nullptr, byMinutes},
        {m_ui.chapterStatusLed, "chapterStatusLed", led},
        {m_ui.subtitleStatusLed, "subtitleStatusLed", led},
        // The placeholder picture has no size worth a label.
        {m_ui.coverSizeLabel, "coverSizeAsLabel", nullptr, Binding::Condition{QStringLiteral("coverIsSet"), true}},
    };
    for (const auto& field : fields)
        m_bindings << Binding::toSelection(field.editor, m_list, QString::fromLatin1(field.key), field.transformer,
                                           field.appliesWhile);
    // The date as the save would write it: a year alone stays a year.
    m_bindings << Binding::toSelectionShowingText(m_ui.releaseDateEdit, m_list, QStringLiteral("releaseDate"),
                                                  QStringLiteral("releaseDateText"), Binding::dateAsText());
    for (const Binding* binding : m_bindings)
        connect(binding, &Binding::entryTyped, this, &RecordEditor::entryTyped);
}
