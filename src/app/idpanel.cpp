#include "app/idpanel.h"

#include "app/binding.h"
#include "app/localizedform.h"
#include "ui_idpanel.h"

#include <QRegularExpressionValidator>

IdPanel::IdPanel(MovieList& list, QWidget* parent) : QWidget(parent, Qt::Tool), m_ui(std::make_unique<Ui::IdPanel>())
{
    m_ui->setupUi(this);
    localizeForm(this);
    // An IMDb id is "tt" and digits; anything else would only make the subtitle search fail later.
    m_ui->imdbIdEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("(tt[0-9]*)?")), m_ui->imdbIdEdit));
    Binding::toSelection(m_ui->imdbIdEdit, list, QStringLiteral("imdbID"));
    Binding::toSelection(m_ui->catalogueIdSpinBox, list, QStringLiteral("cnID"));
}

IdPanel::~IdPanel() = default;
