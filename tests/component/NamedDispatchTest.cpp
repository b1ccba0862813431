// The system information queries as a late-bound client reaches them: by
// name, through the component's named dispatch.
#include "ComponentFixture.h"

#include "platform/BStr.h"

#include <QFile>

namespace {

struct Invoked
{
    HRESULT status = E_FAIL;
    VARIANT value;
};

Invoked invoke(IDispatch *dispatch, DISPID id, std::uint16_t flags, DISPPARAMS params = {})
{
    Invoked invoked;
    std::uint32_t argError = 0;
    invoked.status = dispatch->Invoke(id, IID_NULL, 0, flags, &params, &invoked.value, nullptr, &argError);
    return invoked;
}

QString takeText(VARIANT &value)
{
    EXPECT_EQ(value.vt, VT_BSTR);
    if (value.vt != VT_BSTR)
        return {};
    const QString text = BStr::toQString(value.bstrVal);
    SysFreeString(value.bstrVal);
    value.vt = VT_EMPTY;
    return text;
}

} // namespace

using named_dispatch_test = ComponentFixture;

TEST_F(named_dispatch_test, a_late_bound_client_calls_the_three_queries_by_name)
{
    QFile registry(path("registry.reg"));
    ASSERT_TRUE(registry.open(QIODevice::WriteOnly));
    registry.write("Windows Registry Editor Version 5.00\r\n\r\n"
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n"
                   "\"RegisteredOwner\"=\"Erika Meier\"\r\n"
                   "\"RegisteredOrganization\"=\"Hydro Werke\"\r\n");
    registry.close();

    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(view->QueryInterface(IID_IDispatch, dispatch.putVoid()), S_OK);

    // Spelled as a late-bound client may spell them.
    const char16_t *spellings[] = {u"issystemnt", u"GetRegisteredOwner", u"GETREGISTEREDORGANIZATION"};
    DISPID ids[3] = {};
    for (int i = 0; i < 3; ++i) {
        OLECHAR *name = const_cast<OLECHAR *>(spellings[i]);
        ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &ids[i]), S_OK) << i;
        EXPECT_NE(ids[i], DISPID_UNKNOWN);
    }
    EXPECT_NE(ids[0], ids[1]);
    EXPECT_NE(ids[1], ids[2]);
    EXPECT_NE(ids[0], ids[2]);

    for (std::uint16_t flags : {DISPATCH_METHOD, std::uint16_t(DISPATCH_METHOD | DISPATCH_PROPERTYGET)}) {
        Invoked nt = invoke(dispatch.get(), ids[0], flags);
        ASSERT_EQ(nt.status, S_OK);
        EXPECT_EQ(nt.value.vt, VT_BOOL);
        EXPECT_EQ(nt.value.boolVal, VARIANT_TRUE);
        Invoked owner = invoke(dispatch.get(), ids[1], flags);
        ASSERT_EQ(owner.status, S_OK);
        EXPECT_EQ(takeText(owner.value), QString("Erika Meier"));
        Invoked organisation = invoke(dispatch.get(), ids[2], flags);
        ASSERT_EQ(organisation.status, S_OK);
        EXPECT_EQ(takeText(organisation.value), QString("Hydro Werke"));
    }
}
