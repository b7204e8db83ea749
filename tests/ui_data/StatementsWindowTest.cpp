#include "export/ui/FenetreEcritures.h"
#include "export/ui/FormRelevesBancairesModal.h"
#include "ui/UiTestSupport.h"

TEST(StatementsWindowSmoke, Builds)
{
    EXPECT_EQ(TFormRelevesBancairesModal::Genre().filtre, QStringLiteral("NOCARD"));
}
