#include "platform/LoginItemService.h"
#include "windows/view/LoginToggle.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QTest>
#include <gtest/gtest.h>

namespace voltmere {
namespace {

// A login-item service whose answers each test scripts: what a register or
// unregister returns and which status the platform reports afterwards.
class ScriptedService final : public LoginItemService {
public:
    LoginItemStatus status() const override { return current; }
    std::optional<QString> registerItem() override
    {
        ++registers;
        if (!error) {
            current = statusAfterRegister;
        }
        return error;
    }
    std::optional<QString> unregisterItem() override
    {
        ++unregisters;
        if (!error) {
            current = LoginItemStatus::notRegistered;
        }
        return error;
    }

    LoginItemStatus current = LoginItemStatus::notRegistered;
    LoginItemStatus statusAfterRegister = LoginItemStatus::enabled;
    std::optional<QString> error;
    int registers = 0;
    int unregisters = 0;
};

TEST(LoginToggleTest, StartsFromWhatThePlatformReports)
{
    ScriptedService service;
    const std::pair<LoginItemStatus, bool> cases[] = {{LoginItemStatus::enabled, true},
                                                      {LoginItemStatus::notRegistered, false},
                                                      {LoginItemStatus::requiresApproval, false},
                                                      {LoginItemStatus::notFound, false}};
    for (const auto &[status, on] : cases) {
        service.current = status;
        LoginToggle toggle(service);
        EXPECT_EQ(toggle.isEnabled(), on);
        EXPECT_EQ(toggle.toggle()->isChecked(), on);
        EXPECT_FALSE(toggle.message());
    }
}

TEST(LoginToggleTest, TurningOnThatSucceedsShowsOnWithoutMessage)
{
    ScriptedService service;
    LoginToggle toggle(service);
    toggle.show();
    QTest::mouseClick(toggle.toggle(), Qt::LeftButton, {}, QPoint(4, toggle.toggle()->height() / 2));
    EXPECT_EQ(service.registers, 1);
    EXPECT_TRUE(toggle.isEnabled());
    EXPECT_TRUE(toggle.toggle()->isChecked());
    EXPECT_FALSE(toggle.message());
}

TEST(LoginToggleTest, ApprovalRequiredReadsBackAsOffWithoutMessage)
{
    ScriptedService service;
    service.statusAfterRegister = LoginItemStatus::requiresApproval;
    LoginToggle toggle(service);
    toggle.flip(true);
    EXPECT_EQ(service.registers, 1);
    EXPECT_FALSE(toggle.isEnabled());
    EXPECT_FALSE(toggle.toggle()->isChecked());
    EXPECT_FALSE(toggle.message());
}

TEST(LoginToggleTest, RefusedChangeShowsTheReasonAndWhatThePlatformKept)
{
    ScriptedService service;
    service.current = LoginItemStatus::enabled;
    service.error = QStringLiteral("Permission denied");
    LoginToggle toggle(service);
    toggle.show();
    QTest::mouseClick(toggle.toggle(), Qt::LeftButton, {}, QPoint(4, toggle.toggle()->height() / 2));
    EXPECT_EQ(service.unregisters, 1);
    ASSERT_TRUE(toggle.message());
    EXPECT_EQ(*toggle.message(), QStringLiteral("Couldn't change the login item: Permission denied"));
    EXPECT_TRUE(toggle.isEnabled());
    EXPECT_TRUE(toggle.toggle()->isChecked());

    // A later change that works takes the message away.
    service.error.reset();
    toggle.flip(false);
    EXPECT_FALSE(toggle.message());
    EXPECT_FALSE(toggle.isEnabled());
    EXPECT_FALSE(toggle.toggle()->isChecked());
}

// A screen reader switches a check box with its toggle action, which
// changes the state without a click; the login item must follow it.
TEST(LoginToggleTest, TheAccessibleToggleActionRegistersToo)
{
    ScriptedService service;
    LoginToggle toggle(service);
    toggle.show();
    QAccessibleInterface *control = QAccessible::queryAccessibleInterface(toggle.toggle());
    ASSERT_NE(control, nullptr);
    ASSERT_NE(control->actionInterface(), nullptr);
    control->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(service.registers, 1);
    EXPECT_TRUE(toggle.isEnabled());
    EXPECT_TRUE(toggle.toggle()->isChecked());

    // Refused: the switch goes back by itself without asking again.
    service.error = QStringLiteral("No.");
    control->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(service.unregisters, 1);
    EXPECT_TRUE(toggle.toggle()->isChecked());
    EXPECT_EQ(service.registers, 1);
}

} // namespace
} // namespace voltmere
