#include <gtest/gtest.h>

#include <QMetaMethod>

#include "ui/arrow_widget.h"
#include "ui/drag_proxy.h"
#include "ui/title_bar.h"
#include "ui/vantoro_client.h"

namespace {

struct Method {
    QMetaMethod::MethodType type;
    QMetaMethod::Access access;
    const char *signature;
};

// Signals are emitted by index and the window connects by signature, so both must stay put.
void expectOwnMethods(const QMetaObject &meta, std::initializer_list<Method> expected) {
    ASSERT_EQ(meta.methodCount() - meta.methodOffset(), static_cast<int>(expected.size()));
    int index = meta.methodOffset();
    for (const Method &method : expected) {
        const QMetaMethod actual = meta.method(index++);
        SCOPED_TRACE(method.signature);
        EXPECT_EQ(actual.methodType(), method.type);
        EXPECT_EQ(actual.access(), method.access);
        EXPECT_EQ(actual.methodSignature(), method.signature);
        EXPECT_EQ(actual.returnType(), QMetaType::Void);
    }
}

TEST(MetaObjectTest, TitleBarSignalsThenItsPrivateSlots) {
    EXPECT_STREQ(TitleBar::staticMetaObject.className(), "TitleBar");
    expectOwnMethods(TitleBar::staticMetaObject,
                     {{QMetaMethod::Signal, QMetaMethod::Public, "on_return_home()"},
                      {QMetaMethod::Signal, QMetaMethod::Public, "on_clear_cookie()"},
                      {QMetaMethod::Signal, QMetaMethod::Public, "on_reflesh()"},
                      {QMetaMethod::Slot, QMetaMethod::Private, "onClicked()"},
                      {QMetaMethod::Slot, QMetaMethod::Private, "recordMessCloseCountTimer()"}});
}

// The three protected slots keep their places; the commands other parts of the client call come
// after them.
TEST(MetaObjectTest, MainWindowHasThreeProtectedSlotsFirstAndNoSignals) {
    EXPECT_STREQ(VantoroClient::staticMetaObject.className(), "VantoroClient");
    expectOwnMethods(VantoroClient::staticMetaObject,
                     {{QMetaMethod::Slot, QMetaMethod::Protected, "on_return_home()"},
                      {QMetaMethod::Slot, QMetaMethod::Protected, "on_clear_cookie()"},
                      {QMetaMethod::Slot, QMetaMethod::Protected, "on_reflesh()"},
                      {QMetaMethod::Slot, QMetaMethod::Public, "openSmallPlayer()"}});
    EXPECT_EQ(VantoroClient::staticMetaObject.propertyCount(),
              VantoroClient::staticMetaObject.propertyOffset());
}

TEST(MetaObjectTest, BubbleAndProxyAddNoMethods) {
    EXPECT_STREQ(ArrowWidget::staticMetaObject.className(), "ArrowWidget");
    expectOwnMethods(ArrowWidget::staticMetaObject, {});
    EXPECT_STREQ(DragProxy::staticMetaObject.className(), "DragProxy");
    expectOwnMethods(DragProxy::staticMetaObject, {});
}

}  // namespace
