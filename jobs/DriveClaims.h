#pragma once

#include <string>

namespace brenmark {

// The claim on a drive that other processes can use too (a virtual recorder,
// whose discs live in a folder every program of the user shares). The drive
// leases take it with every lease and give it back with it; the front end
// says which drives have such a claim.
class DriveClaims {
 public:
  virtual ~DriveClaims() = default;
  // False when another process holds the drive (`refusal` left empty) or
  // when the claim cannot be taken at all (`refusal` then tells the user
  // why). A drive without such a claim is always had. Claims nest: each true
  // needs one Release.
  virtual bool Claim(int drive, std::string& refusal) = 0;
  virtual void Release(int drive) = 0;
};

}  // namespace brenmark
