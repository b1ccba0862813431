// SPDX-License-Identifier: Apache-2.0
// The system information queries as a late-bound client reaches them: by
// name, through the component's named dispatch.
#include "ComponentFixture.h"

#include <QSet>

using named_dispatch_test = ComponentFixture;

TEST_F(named_dispatch_test, a_late_bound_client_calls_the_three_queries_by_name)
{
    writeBytes(path("registry.reg"),
               "Windows Registry Editor Version 5.00\r\n\r\n"
               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n"
               "\"RegisteredOwner\"=\"Erika Meier\"\r\n"
               "\"RegisteredOrganization\"=\"Hydro Werke\"\r\n");
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(view->QueryInterface(IID_IDispatch, dispatch.putVoid()), S_OK);

    // Spelled as a late-bound client may spell them.
    const char16_t *spellings[] = {u"issystemnt", u"GetRegisteredOwner", u"GETREGISTEREDORGANIZATION"};
    DISPID ids[3] = {};
    for (int i = 0; i < 3; ++i) {
        OLECHAR *name = const_cast<OLECHAR *>(spellings[i]);
        ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &ids[i]), S_OK) << i;
    }
    EXPECT_EQ(QSet<DISPID>({ids[0], ids[1], ids[2], DISPID_UNKNOWN}).size(), 4);

    for (std::uint16_t flags : {DISPATCH_METHOD, std::uint16_t(DISPATCH_METHOD | DISPATCH_PROPERTYGET)}) {
        QStringList answers;
        for (DISPID id : ids) {
            DISPPARAMS params = {};
            VARIANT value;
            std::uint32_t argError = 0;
            ASSERT_EQ(dispatch->Invoke(id, IID_NULL, 0, flags, &params, &value, nullptr, &argError), S_OK);
            if (value.vt == VT_BOOL) {
                answers.append(value.boolVal == VARIANT_TRUE ? "bool true" : "bool false");
            } else {
                ASSERT_EQ(value.vt, VT_BSTR);
                answers.append(BStr::toQString(value.bstrVal));
                SysFreeString(value.bstrVal);
            }
        }
        EXPECT_EQ(answers, QStringList({"bool true", "Erika Meier", "Hydro Werke"}));
    }
}
