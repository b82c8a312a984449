#include "tools/vst3host/Module.h"

#include "tools/vst3host/Text.h"

#include "vst3/sdk/hosting/SharedModule.h"
#include "vst3/sdk/interfaces/ClassCategories.h"
#include "vst3/sdk/interfaces/ModuleExports.h"

using namespace Steinberg;

namespace vst3host
{
namespace
{
template <class Info>
ClassDescription describeCommon(const Info& info)
{
  ClassDescription description;
  description.cid = FUID::fromTUID(info.cid);
  description.cardinality = info.cardinality;
  description.category = fieldText(info.category, sizeof(info.category));
  return description;
}
} // namespace

bool ClassDescription::isAudioEffect() const
{
  return category == Vst::kVstAudioEffectClass;
}

Result<std::filesystem::path> Module::binaryOf(const std::filesystem::path& bundleOrBinary)
{
  std::error_code error;
  const auto status = std::filesystem::status(bundleOrBinary, error);
  if (error || !std::filesystem::exists(status))
    return Status::failure("no such plug-in: " + bundleOrBinary.string());
  // A file is loaded by its absolute path: the loader would search its library path for
  // a bare file name.
  if (!std::filesystem::is_directory(status))
    return std::filesystem::absolute(bundleOrBinary, error).lexically_normal();
  // "X.vst3/", "a/../X.vst3" and "X.vst3/." all name the folder X.vst3.
  std::filesystem::path bundle = std::filesystem::absolute(bundleOrBinary, error).lexically_normal();
  if (!bundle.has_filename())
    bundle = bundle.parent_path();
  if (bundle.extension() != ".vst3")
    return Status::failure(bundleOrBinary.string() + " is a folder but not a .vst3 bundle");
  const std::filesystem::path binary = bundle / "Contents" / SharedModule::platformFolder() /
                                       SharedModule::binaryFileName(bundle.stem().string());
  if (!std::filesystem::is_regular_file(binary, error))
    return Status::failure("the bundle " + bundleOrBinary.string() + " has no " + binary.string());
  return binary;
}

Result<std::shared_ptr<Module>> Module::load(const std::filesystem::path& path,
                                             IPtr<Vst::HostApplication> context)
{
  Result<std::filesystem::path> binary = binaryOf(path);
  if (!binary)
    return binary.status();
  std::shared_ptr<Module> module(new Module);
  module->mBinaryPath = binary.value();
  module->mContext = context ? context : IPtr<Vst::HostApplication>::adopt(new Vst::HostApplication(u"quenmark"));
  const std::string where = module->mBinaryPath.string();

  std::string error;
  module->mBinary = SharedModule::open(module->mBinaryPath, error);
  if (!module->mBinary)
    return Status::failure("cannot load " + where + ": " + error);
  GetFactoryProc getFactory = module->mBinary->factoryFunction();
  if (!module->mBinary->hasEntryPair())
    return Status::failure(where + " exports no " + SharedModule::entryNames() + ": not a plug-in module for " +
                           SharedModule::platformFolder());
  if (getFactory == nullptr)
    return Status::failure(where + " exports no GetPluginFactory");
  try
  {
    if (!module->mBinary->enter())
      return Status::failure(std::string(SharedModule::entryNames()) + " of " + where + ": the entry answered false");
    module->mEntered = true;
    module->mFactory = IPtr<IPluginFactory>::adopt(getFactory());
  }
  catch (...)
  {
    return Status::failure("the module entry of " + where + " threw an exception");
  }
  if (!module->mFactory)
    return Status::failure("GetPluginFactory of " + where + " returned no factory");

  IPluginFactory* factory = module->mFactory.get();
  PFactoryInfo factoryInfo{};
  if (Status info = checkResult(factory->getFactoryInfo(&factoryInfo), "getFactoryInfo"); !info)
    return Status::failure(where + ": " + info.message());
  module->mFactoryDescription = {fieldText(factoryInfo.vendor, sizeof(factoryInfo.vendor)),
                                 fieldText(factoryInfo.url, sizeof(factoryInfo.url)),
                                 fieldText(factoryInfo.email, sizeof(factoryInfo.email)), factoryInfo.flags};

  IPtr<IPluginFactory2> factory2 = queryFrom<IPluginFactory2>(factory);
  IPtr<IPluginFactory3> factory3 = queryFrom<IPluginFactory3>(factory);
  if (factory3)
    factory3->setHostContext(module->mContext->unknown()); // optional for the plug-in: result not needed
  const int32 count = factory->countClasses();
  for (int32 index = 0; index < count; ++index)
  {
    PClassInfoW unicode{};
    PClassInfo2 info2{};
    PClassInfo info{};
    if (factory3 && factory3->getClassInfoUnicode(index, &unicode) == kResultOk)
    {
      ClassDescription description = describeCommon(unicode);
      description.name = toUtf8(unicode.name, PClassInfoW::kNameSize);
      description.classFlags = unicode.classFlags;
      description.subCategories = fieldText(unicode.subCategories, sizeof(unicode.subCategories));
      description.vendor = toUtf8(unicode.vendor, PClassInfoW::kVendorSize);
      description.version = toUtf8(unicode.version, PClassInfoW::kVersionSize);
      description.sdkVersion = toUtf8(unicode.sdkVersion, PClassInfoW::kVersionSize);
      module->mClasses.push_back(std::move(description));
    }
    else if (factory2 && factory2->getClassInfo2(index, &info2) == kResultOk)
    {
      ClassDescription description = describeCommon(info2);
      description.name = fieldText(info2.name, sizeof(info2.name));
      description.classFlags = info2.classFlags;
      description.subCategories = fieldText(info2.subCategories, sizeof(info2.subCategories));
      description.vendor = fieldText(info2.vendor, sizeof(info2.vendor));
      description.version = fieldText(info2.version, sizeof(info2.version));
      description.sdkVersion = fieldText(info2.sdkVersion, sizeof(info2.sdkVersion));
      module->mClasses.push_back(std::move(description));
    }
    else if (factory->getClassInfo(index, &info) == kResultOk)
    {
      ClassDescription description = describeCommon(info);
      description.name = fieldText(info.name, sizeof(info.name));
      module->mClasses.push_back(std::move(description));
    }
    else
      return Status::failure(where + ": the factory describes no class at index " + std::to_string(index) + " of " +
                             std::to_string(count));
  }
  return module;
}

Module::~Module()
{
  // The last shared owner is gone, so are the instances.
  (void)close();
}

Result<ClassDescription> Module::firstAudioEffect() const
{
  for (const ClassDescription& description : mClasses)
    if (description.isAudioEffect())
      return description;
  return Status::failure(mBinaryPath.string() + " offers no class of category \"" +
                         std::string(Steinberg::Vst::kVstAudioEffectClass) + "\"");
}

Status Module::unload()
{
  if (!mBinary)
    return Status::success();
  if (weak_from_this().use_count() > 1)
    return Status::failure("the module " + mBinaryPath.string() + " is still used by an instance");
  return close();
}

Status Module::close()
{
  if (!mBinary)
    return Status::success();
  mFactory.reset();
  Status result = Status::success();
  if (mEntered)
  {
    mEntered = false;
    bool exited = false;
    try
    {
      exited = mBinary->exit();
    }
    catch (...)
    {
    }
    if (!exited)
      result = Status::failure(std::string(SharedModule::entryNames()) + " of " + mBinaryPath.string() +
                               ": the exit answered false");
  }
  mBinary.reset();
  return result;
}
} // namespace vst3host
