#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/runtime/Runtime.h"
#include "platform/runtime/RuntimeClass.h"

using objc::Class;
using objc::IMP;
using objc::Object;
using objc::SEL;

namespace {

int answerOne(Object*, SEL) { return 1; }
int answerTwo(Object*, SEL) { return 2; }

IMP gPrevious = nullptr;
IMP gPreviousOfSecond = nullptr;
int addTen(Object* self, SEL cmd) { return reinterpret_cast<int (*)(Object*, SEL)>(gPrevious)(self, cmd) + 10; }
int addHundred(Object* self, SEL cmd) {
  return reinterpret_cast<int (*)(Object*, SEL)>(gPreviousOfSecond)(self, cmd) + 100;
}

std::string echo(Object*, SEL, const std::string& text, long times) {
  std::string out;
  for (long i = 0; i < times; ++i) out += text;
  return out;
}

int send(Object* o, const char* selector) { return objc::msgSend<int>(o, objc::sel(selector)); }

class Box : public Object {
 public:
  explicit Box(Class* cls) : Object(cls) {
    declareIvar("_path", std::string("/default"));
    declareIvar("_count", 0);
  }
  std::string path() const { return ivar<std::string>("_path"); }
};

// A class hierarchy as the platform declares its classes: each C++ class names its superclass's.
class Shape : public Object {
 public:
  static Class* cls();
  explicit Shape(Class* isa = Shape::cls()) : Object(isa) {}
};
OBJC_DEFINE_CLASS(Shape, Object, objc::method("sides", &answerOne), objc::method("corners", &answerOne))

class Square : public Shape {
 public:
  static Class* cls();
  using Shape::Shape;
};
OBJC_DEFINE_CLASS(Square, Shape, std::array{objc::method("sides", &answerTwo)})

}  // namespace

TEST(RuntimeClasses, DeclaredClassesAreFoundByNameAnswerTheirTablesAndMakeTheirCppClass) {
  // A class is defined by its first cls(); the order of an assertion's two sides is the compiler's.
  objc::Class* square = Square::cls();
  ASSERT_EQ(objc::objc_getClass("Square"), square);
  EXPECT_EQ(Square::cls()->superclass(), Shape::cls());
  EXPECT_EQ(Shape::cls()->superclass(), objc::NSObjectClass());
  // Made by name, a class's instance is its own C++ class, whatever the caller knows of it.
  objc::id byName = objc::class_createInstance(objc::objc_getClass("Square"));
  ASSERT_NE(dynamic_cast<Square*>(byName.get()), nullptr);
  EXPECT_EQ(byName->isa(), Square::cls());
  std::shared_ptr<Shape> shape = objc::createInstance<Shape>();
  EXPECT_EQ(shape->isa(), Shape::cls());
  EXPECT_EQ(dynamic_cast<Square*>(shape.get()), nullptr);
  // The subclass's own table wins; what it does not define it inherits.
  EXPECT_EQ(send(byName.get(), "sides"), 2);
  EXPECT_EQ(send(byName.get(), "corners"), 1);
  EXPECT_EQ(send(shape.get(), "sides"), 1);
}

TEST(RuntimeClasses, LookupByNameFindsDefinedClassesAndNothingElse) {
  Class* defined = objc::objc_allocateClassPair(objc::NSObjectClass(), "RTLookupDefined");
  EXPECT_EQ(objc::objc_getClass("RTLookupDefined"), defined);
  EXPECT_EQ(objc::objc_allocateClassPair(objc::NSObjectClass(), "RTLookupDefined"), defined);
  EXPECT_EQ(objc::objc_getClass("RTLookupNeverDefined"), nullptr);
  EXPECT_EQ(objc::objc_getClass(""), nullptr);
  EXPECT_EQ(objc::sel("rtSelector"), objc::sel_registerName(std::string("rt") + "Selector"));
}

TEST(RuntimeClasses, InstancesComeFromTheNearestAllocator) {
  Class* base = objc::objc_allocateClassPair(objc::NSObjectClass(), "RTAllocBase");
  base->setAllocator(&objc::allocateInstance<Box>);
  Class* sub = objc::objc_allocateClassPair(base, "RTAllocSub");
  Class* plain = objc::objc_allocateClassPair(objc::NSObjectClass(), "RTAllocPlain");

  objc::id fromSub = objc::class_createInstance(sub);
  ASSERT_TRUE(fromSub);
  EXPECT_EQ(fromSub->isa(), sub);
  EXPECT_NE(dynamic_cast<Box*>(fromSub.get()), nullptr);
  objc::id fromPlain = objc::class_createInstance(plain);
  ASSERT_TRUE(fromPlain);
  EXPECT_EQ(fromPlain->isa(), plain);
  EXPECT_EQ(objc::class_createInstance(nullptr), nullptr);
  // NSObject's init answers every class with the receiver.
  EXPECT_EQ(objc::msgSend<Object*>(fromPlain.get(), objc::sel("init")), fromPlain.get());
}

TEST(RuntimeMessages, TypedSendsReachTheImplementationWithTheirArguments) {
  Class* cls = objc::objc_allocateClassPair(objc::NSObjectClass(), "RTEcho");
  cls->addMethod(objc::sel("echo:times:"), objc::imp_cast(&echo));
  Object o(cls);
  EXPECT_EQ((objc::msgSend<std::string, const std::string&, long>(&o, objc::sel("echo:times:"), "ab", 3)), "ababab");
}

TEST(RuntimeMessages, NilReceiverAnswersZeroAndUnknownSelectorRaises) {
  EXPECT_EQ(objc::msgSend<int>(nullptr, objc::sel("anything")), 0);
  EXPECT_EQ(objc::msgSend<std::string>(nullptr, objc::sel("anything")), "");
  EXPECT_EQ(objc::msgSend<Object*>(nullptr, objc::sel("init")), nullptr);
  objc::msgSend<void, int>(nullptr, objc::sel("anything:"), 1);

  Object o(objc::objc_allocateClassPair(objc::NSObjectClass(), "RTNoMethods"));
  try {
    send(&o, "rtMissing");
    FAIL() << "an unknown selector must raise";
  } catch (const platform::NSException& e) {
    EXPECT_EQ(e.name(), "NSInvalidArgumentException");
    EXPECT_NE(e.reason().find("-[RTNoMethods rtMissing]"), std::string::npos) << e.reason();
  }
}

TEST(RuntimeMessages, SubclassesInheritAndOverride) {
  Class* base = objc::objc_allocateClassPair(objc::NSObjectClass(), "RTInheritBase");
  Class* sub = objc::objc_allocateClassPair(base, "RTInheritSub");
  base->addMethod(objc::sel("rtValue"), objc::imp_cast(&answerOne));
  Object b(base), s(sub);
  EXPECT_EQ(send(&s, "rtValue"), 1);

  sub->addMethod(objc::sel("rtValue"), objc::imp_cast(&answerTwo));
  EXPECT_EQ(send(&s, "rtValue"), 2) << "a method added after a send must be seen by the next send";
  EXPECT_EQ(send(&b, "rtValue"), 1);
}

TEST(RuntimeHooks, HookHandsBackThePreviousImplementationAndChains) {
  Class* cls = objc::objc_allocateClassPair(objc::NSObjectClass(), "RTHookChain");
  cls->addMethod(objc::sel("rtValue"), objc::imp_cast(&answerOne));
  Object o(cls);
  EXPECT_EQ(send(&o, "rtValue"), 1);

  MSHookMessageEx(cls, objc::sel("rtValue"), objc::imp_cast(&addTen), &gPrevious);
  EXPECT_EQ(gPrevious, objc::imp_cast(&answerOne));
  EXPECT_EQ(send(&o, "rtValue"), 11);

  MSHookMessageEx(cls, objc::sel("rtValue"), objc::imp_cast(&addHundred), &gPreviousOfSecond);
  EXPECT_EQ(gPreviousOfSecond, objc::imp_cast(&addTen));
  EXPECT_EQ(send(&o, "rtValue"), 111);
}

TEST(RuntimeHooks, HookOnSuperclassReachesSubclassesButHookOnSubclassStaysThere) {
  Class* base = objc::objc_allocateClassPair(objc::NSObjectClass(), "RTHookBase");
  Class* sub = objc::objc_allocateClassPair(base, "RTHookSub");
  Class* other = objc::objc_allocateClassPair(base, "RTHookOther");
  base->addMethod(objc::sel("rtValue"), objc::imp_cast(&answerOne));
  Object b(base), s(sub), t(other);
  EXPECT_EQ(send(&s, "rtValue"), 1);  // fills the subclass's cache

  IMP previous = nullptr;
  MSHookMessageEx(sub, objc::sel("rtValue"), objc::imp_cast(&answerTwo), &previous);
  EXPECT_EQ(previous, objc::imp_cast(&answerOne)) << "the inherited implementation is the previous one";
  EXPECT_EQ(send(&s, "rtValue"), 2);
  EXPECT_EQ(send(&b, "rtValue"), 1);
  EXPECT_EQ(send(&t, "rtValue"), 1);

  IMP basePrevious = nullptr;
  MSHookMessageEx(base, objc::sel("rtValue"), objc::imp_cast(&answerTwo), &basePrevious);
  EXPECT_EQ(basePrevious, objc::imp_cast(&answerOne));
  EXPECT_EQ(send(&t, "rtValue"), 2) << "a cached inherited method must not outlive a hook on the superclass";
}

TEST(RuntimeHooks, NullClassInstallsNothingAndLeavesThePreviousSlot) {
  IMP previous = objc::imp_cast(&answerTwo);
  MSHookMessageEx(objc::objc_getClass("RTHookNoSuchClass"), objc::sel("rtValue"), objc::imp_cast(&answerOne), &previous);
  EXPECT_EQ(previous, objc::imp_cast(&answerTwo));

  Class* cls = objc::objc_allocateClassPair(objc::NSObjectClass(), "RTHookNewMethod");
  MSHookMessageEx(cls, objc::sel("rtFresh"), objc::imp_cast(&answerOne), &previous);
  EXPECT_EQ(previous, nullptr) << "hooking a method the class lacks hands back nothing";
  Object o(cls);
  EXPECT_EQ(send(&o, "rtFresh"), 1);
}

TEST(RuntimeHooks, SendsRacingAHookSeeOneImplementationOrTheOther) {
  Class* cls = objc::objc_allocateClassPair(objc::NSObjectClass(), "RTHookRace");
  cls->addMethod(objc::sel("rtValue"), objc::imp_cast(&answerOne));
  Object o(cls);
  std::atomic<bool> hooked{false};
  std::atomic<int> wrong{0};
  std::atomic<int> afterHook{0};
  std::vector<std::thread> senders;
  for (int t = 0; t < 3; ++t)
    senders.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        bool done = hooked.load();
        int v = send(&o, "rtValue");
        if (v != 1 && v != 2) ++wrong;
        if (done && v != 2) ++afterHook;
      }
    });
  for (int i = 0; i < 50; ++i)
    objc::objc_allocateClassPair(objc::NSObjectClass(), "RTHookRaceNoise" + std::to_string(i))
        ->addMethod(objc::sel("rtNoise"), objc::imp_cast(&answerOne));
  IMP previous = nullptr;
  MSHookMessageEx(cls, objc::sel("rtValue"), objc::imp_cast(&answerTwo), &previous);
  hooked = true;
  for (auto& t : senders) t.join();
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(afterHook, 0) << "a send that starts after the hook returned must reach the hook";
  EXPECT_EQ(send(&o, "rtValue"), 2);
}

TEST(RuntimeHooks, CallPreviousPassesArgumentsAsTypedAndAnswersZeroWithoutAPrevious) {
  Object o;
  EXPECT_EQ((objc::callPrevious<std::string, const std::string&, long>(objc::imp_cast(&echo), &o, objc::sel("echo"),
                                                                       "ab", 3)),
            "ababab");
  // A reference parameter reaches the previous implementation as the caller's own object.
  auto* whereItWent = +[](Object*, SEL, const std::string& text) { return &text; };
  const std::string text = "kept";
  EXPECT_EQ((objc::callPrevious<const std::string*, const std::string&>(objc::imp_cast(whereItWent), &o,
                                                                        objc::sel("where"), text)),
            &text);

  EXPECT_EQ((objc::callPrevious<int, long>(nullptr, &o, objc::sel("rtValue"), 5)), 0);
  EXPECT_EQ((objc::callPrevious<std::string>(nullptr, &o, objc::sel("rtValue"))), "");
  objc::callPrevious<void, Object*>(nullptr, &o, objc::sel("rtValue"), &o);
}

TEST(RuntimeKeyValueCoding, NamedInstanceVariablesAreReachableAndUnknownKeysRaise) {
  Class* cls = objc::objc_allocateClassPair(objc::NSObjectClass(), "RTKVCBox");
  Box box(cls);
  box.setValueForKey("_path", std::string("/var/mobile/Library/X"));
  EXPECT_EQ(box.path(), "/var/mobile/Library/X");
  box.setValueForKey("path", "/from/a/literal");
  EXPECT_EQ(box.path(), "/from/a/literal") << "a C string literal is kept as text";
  EXPECT_EQ(std::any_cast<std::string>(box.valueForKey("_path")), "/from/a/literal");
  box.setValueForKey("count", 7);
  EXPECT_EQ(std::any_cast<int>(box.valueForKey("_count")), 7);

  for (const char* key : {"_missing", "missing", ""}) {
    try {
      box.setValueForKey(key, 1);
      FAIL() << "setting unknown key '" << key << "' must raise";
    } catch (const platform::NSException& e) {
      EXPECT_EQ(e.name(), "NSUnknownKeyException");
      EXPECT_NE(e.reason().find("RTKVCBox"), std::string::npos);
    }
    EXPECT_THROW(box.valueForKey(key), platform::NSException);
  }
  EXPECT_EQ(box.path(), "/from/a/literal");
}
