#pragma once

namespace bq::gui {

// Qt's own texts (standard buttons, the colour and file dialogs, a text box's menu) in the
// system's language, from Qt's translations.
void loadQtTranslations();

}  // namespace bq::gui
