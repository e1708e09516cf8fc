#pragma once

namespace isImageSDK {

// Marks a scene node as one of the image library's own. Nodes that point at objects they do
// not own override forgetLinks, which drops those pointers without releasing them (used when
// the objects are torn down in an order the node cannot see).
class isNodeObject {
public:
    virtual ~isNodeObject();
    virtual void forgetLinks();
};

}  // namespace isImageSDK
